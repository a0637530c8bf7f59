#include "FakeLoadClock.h"

#include "dialog/StandardIds.h"
#include "loadgen/window/LoadGeneratorDialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace loadgen;
using loadgen::test::FakeLoadClock;

namespace {

class LoadGeneratorDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void click(int id) { QTest::mouseClick(window.control(id), Qt::LeftButton, {}, QPoint(4, window.control(id)->height() / 2)); }
    // A click that the window will see the next time it handles its events.
    void postClick(int id)
    {
        auto* button = window.widget<QAbstractButton>(id);
        QMetaObject::invokeMethod(button, [button] { button->click(); }, Qt::QueuedConnection);
    }
    // Runs hook once, when the fake clock first reaches time `at`.
    void at(int64_t when, std::function<void()> hook)
    {
        clock.onStep = [this, when, hook, done = false](int64_t now) mutable {
            if (!done && now >= when) {
                done = true;
                hook();
            }
        };
    }

    FakeLoadClock clock;
    LoadGeneratorDialog window{clock};
};

} // namespace

TEST_F(LoadGeneratorDialogTest, StartsIdleWithNoLoad)
{
    EXPECT_EQ(window.caption(), QStringLiteral("Morvath"));
    EXPECT_EQ(window.text(IdLoadPercent), QStringLiteral("0%"));
    EXPECT_TRUE(window.isEnabled(IdLoadCpu));
    EXPECT_FALSE(window.isEnabled(IdStop));
    for (int slot = 0; slot < 10; ++slot) {
        EXPECT_EQ(window.text(IdSlot0 + slot), QString::number(slot));
        EXPECT_FALSE(window.isChecked(IdSlot0 + slot));
    }
    EXPECT_FALSE(window.windowIcon().isNull());
}

TEST_F(LoadGeneratorDialogTest, SlotBoxesSelectAllAndClearAll)
{
    struct Step {
        int id;
        const char* percent;
    };
    const Step steps[] = {
        {IdSlot0 + 4, "10%"}, {IdSlot0 + 9, "20%"}, {IdSlot0 + 4, "10%"}, // ticked and unticked
        {IdSelectAll, "100%"}, {IdSlot0 + 0, "90%"},                      {IdClearAll, "0%"},
        {IdSlot0 + 1, "10%"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.id);
        click(step.id);
        EXPECT_EQ(window.text(IdLoadPercent), QString::fromLatin1(step.percent));
        for (int slot = 0; slot < 10; ++slot)
            EXPECT_EQ(window.isChecked(IdSlot0 + slot), window.selection().isOn(slot)) << slot;
    }
    EXPECT_EQ(window.selection().mask(), 1u << 1);
}

TEST_F(LoadGeneratorDialogTest, LoadRunsUntilStopAndCountsSeconds)
{
    click(IdSlot0);
    click(IdSlot0 + 1);
    bool busyLooking = false;
    at(15000, [&] {
        busyLooking = window.isEnabled(IdStop) && !window.isEnabled(IdLoadCpu) && window.isRunning();
        postClick(IdSlot0 + 9); // takes effect between slots
    });
    clock.onStep = [&, first = clock.onStep](int64_t now) {
        first(now);
        if (now >= 25000 && window.isEnabled(IdStop))
            postClick(IdStop);
    };
    click(IdLoadCpu); // returns when the loop has ended
    EXPECT_TRUE(busyLooking);
    EXPECT_FALSE(window.isRunning());
    EXPECT_FALSE(window.isEnabled(IdStop));
    EXPECT_TRUE(window.isEnabled(IdLoadCpu));
    EXPECT_EQ(window.text(IdElapsed), QStringLiteral("00:00:02"));
    EXPECT_EQ(window.text(IdLoadPercent), QStringLiteral("30%"));
    EXPECT_TRUE(window.isChecked(IdSlot0 + 9));
    EXPECT_LT(clock.now, 26000 + 20); // ended at the end of the slot Stop came in
    EXPECT_TRUE(window.isVisible());
}

TEST_F(LoadGeneratorDialogTest, ClosingWhileRunningEndsTheLoopAndTheWindow)
{
    click(IdSelectAll);
    at(1500, [&] { QMetaObject::invokeMethod(&window, [this] { window.close(); }, Qt::QueuedConnection); });
    click(IdLoadCpu);
    EXPECT_FALSE(window.isRunning());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), dialog::IDCANCEL);
    EXPECT_LT(clock.now, 2001 + 2); // after the slot the close came in
}

TEST_F(LoadGeneratorDialogTest, FailingCounterReturnsAtOnceAndStaysIdle)
{
    clock.frequencyFails = true;
    click(IdLoadCpu);
    EXPECT_TRUE(clock.events.empty());
    EXPECT_FALSE(window.isRunning());
    EXPECT_TRUE(window.isEnabled(IdLoadCpu));
    EXPECT_FALSE(window.isEnabled(IdStop));
    EXPECT_EQ(window.text(IdElapsed), QStringLiteral("00:00:00"));
}

TEST_F(LoadGeneratorDialogTest, EnterOnASlotBoxClosesTheWindow)
{
    window.setFocus(IdSlot0 + 2);
    QTest::keyClick(window.control(IdSlot0 + 2), Qt::Key_Return);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), dialog::IDOK);
}

TEST_F(LoadGeneratorDialogTest, EnterOnAButtonPressesItAndEscapeCloses)
{
    window.setFocus(IdSelectAll);
    QTest::keyClick(window.control(IdSelectAll), Qt::Key_Return);
    EXPECT_EQ(window.text(IdLoadPercent), QStringLiteral("100%"));
    EXPECT_TRUE(window.isVisible());
    QTest::keyClick(window.control(IdSelectAll), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), dialog::IDCANCEL);
}
