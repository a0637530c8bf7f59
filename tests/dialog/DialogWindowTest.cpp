#include "SampleWindow.h"

#include "dialog/UpDownControl.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <climits>

using namespace sample;
using dialog::NumberSign;

namespace {

// A shown, active sample window, as the keyboard and focus need one.
class DialogWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void pressKey(int id, Qt::Key key)
    {
        window.setFocus(id);
        QTest::keyClick(window.control(id), key);
    }

    SampleWindow window;
};

} // namespace

TEST_F(DialogWindowTest, ControlsSitAtTheirConvertedRectangles)
{
    EXPECT_EQ(window.size(), QSize(window.units().toPixelsX(180), window.units().toPixelsY(120)));
    for (const dialog::ControlSpec& spec : kControls) {
        if (spec.id == IDC_STATIC)
            continue;
        SCOPED_TRACE(spec.id);
        EXPECT_EQ(window.control(spec.id)->geometry(), window.toPixels(spec.x, spec.y, spec.w, spec.h));
    }
}

TEST_F(DialogWindowTest, TextsAndStatesByIdentifier)
{
    EXPECT_EQ(window.text(IdName), QStringLiteral("alpha"));
    EXPECT_EQ(window.text(IDOK), QStringLiteral("OK"));
    EXPECT_EQ(window.text(IdGroup), QStringLiteral("Choice"));
    EXPECT_EQ(window.caption(), QStringLiteral("Sample"));

    window.setText(IdName, QStringLiteral("beta"));
    window.setText(IdApply, QStringLiteral("Apply now"));
    window.setText(IdGroup, QStringLiteral("Other"));
    window.setCaption(QStringLiteral("Changed"));
    EXPECT_EQ(window.widget<QLineEdit>(IdName)->text(), QStringLiteral("beta"));
    EXPECT_EQ(window.widget<QPushButton>(IdApply)->text(), QStringLiteral("Apply now"));
    EXPECT_EQ(window.text(IdGroup), QStringLiteral("Other"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Changed"));

    EXPECT_FALSE(window.isVisible(IdHidden));
    EXPECT_FALSE(window.isEnabled(IdHidden));
    window.setVisible(IdHidden, true);
    window.setEnabled(IdHidden, true);
    EXPECT_TRUE(window.isVisible(IdHidden));
    EXPECT_TRUE(window.isEnabled(IdHidden));
    window.setEnabled(IdApply, false);
    EXPECT_FALSE(window.control(IdApply)->isEnabled());

    EXPECT_FALSE(window.isChecked(IdCheck));
    window.setChecked(IdCheck, true);
    EXPECT_TRUE(window.widget<QCheckBox>(IdCheck)->isChecked());
    EXPECT_NE(window.widget<QProgressBar>(IdProgress), nullptr);
    EXPECT_EQ(window.widget<QPushButton>(IdName), nullptr); // wrong type
    EXPECT_EQ(window.control(4242), nullptr);
    EXPECT_TRUE(window.text(4242).isEmpty());
    window.setText(4242, QStringLiteral("ignored")); // no such control: nothing happens
}

TEST_F(DialogWindowTest, RadiosOfAGroupExcludeEachOther)
{
    QTest::mouseClick(window.control(IdRadioA), Qt::LeftButton);
    QTest::mouseClick(window.control(IdRadioB), Qt::LeftButton);
    EXPECT_FALSE(window.isChecked(IdRadioA));
    EXPECT_TRUE(window.isChecked(IdRadioB));
}

struct NumberCase {
    const char* text;
    NumberSign sign;
    std::optional<int> expected;
};

class DialogNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(DialogNumberTest, ReadsWholeDecimalNumbers)
{
    SampleWindow window;
    window.setText(IdName, QString::fromLatin1(GetParam().text));
    EXPECT_EQ(window.number(IdName, GetParam().sign), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DialogNumberTest,
                         ::testing::Values(NumberCase{"42", NumberSign::Unsigned, 42},
                                           NumberCase{"  7", NumberSign::Unsigned, 7},
                                           NumberCase{"-5", NumberSign::Unsigned, std::nullopt},
                                           NumberCase{"-5", NumberSign::Signed, -5},
                                           NumberCase{"12a", NumberSign::Unsigned, std::nullopt},
                                           NumberCase{"", NumberSign::Unsigned, std::nullopt},
                                           NumberCase{"-", NumberSign::Signed, std::nullopt},
                                           NumberCase{"2147483647", NumberSign::Unsigned, INT_MAX},
                                           NumberCase{"2147483648", NumberSign::Unsigned, INT_MAX},
                                           NumberCase{"-2147483648", NumberSign::Signed, INT_MIN},
                                           NumberCase{"-2147483649", NumberSign::Signed, INT_MIN},
                                           NumberCase{"99999999999999999999", NumberSign::Signed, INT_MAX},
                                           NumberCase{"-99999999999", NumberSign::Unsigned, std::nullopt},
                                           NumberCase{"99999999999x", NumberSign::Unsigned, std::nullopt}));

TEST_F(DialogWindowTest, EnterOnTheOkControlCarriesOutOk)
{
    pressKey(IDOK, Qt::Key_Return);
    EXPECT_EQ(window.oks, 1);
    EXPECT_EQ(window.result(), IDOK);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(DialogWindowTest, EnterElsewhereGoesToTheWindow)
{
    struct Case {
        int focus;
        Qt::Key key;
    };
    for (const Case& c : {Case{IdName, Qt::Key_Return}, Case{IdCheck, Qt::Key_Enter}, Case{IdCount, Qt::Key_Return}}) {
        SCOPED_TRACE(c.focus);
        window.enters.clear();
        pressKey(c.focus, c.key);
        EXPECT_EQ(window.enters, std::vector<int>{c.focus});
    }
    EXPECT_EQ(window.oks, 0);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(DialogWindowTest, EnterOnAFocusedButtonPressesIt)
{
    int applied = 0;
    window.onClicked(IdApply, [&] { ++applied; });
    pressKey(IdApply, Qt::Key_Return);
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(window.oks, 0);
    EXPECT_TRUE(window.enters.empty());
}

TEST_F(DialogWindowTest, EscapeAndTheCloseBoxCancel)
{
    pressKey(IdName, Qt::Key_Escape);
    EXPECT_EQ(window.cancels, 1);
    EXPECT_EQ(window.result(), IDCANCEL);
    EXPECT_FALSE(window.isVisible());

    window.show();
    window.close();
    EXPECT_EQ(window.cancels, 2);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(DialogWindowTest, CancelButtonCancelsAndOkButtonConfirms)
{
    QTest::mouseClick(window.control(IDCANCEL), Qt::LeftButton);
    EXPECT_EQ(window.cancels, 1);
    window.show();
    QTest::mouseClick(window.control(IDOK), Qt::LeftButton);
    EXPECT_EQ(window.oks, 1);
    EXPECT_EQ(window.result(), IDOK);
}

TEST_F(DialogWindowTest, LeavingAFieldRunsItsCheck)
{
    std::vector<int> checks;
    window.onLeaveField(IdCount, [&] { checks.push_back(IdCount); });
    window.setFocus(IdCount);
    window.setFocus(IdCheck);
    window.setFocus(IdName); // a control without a check
    window.setFocus(IdCheck);
    EXPECT_EQ(checks, (std::vector<int>{IdCount}));
}

TEST_F(DialogWindowTest, ACheckThatMovesTheFocusDoesNotRunItselfAgain)
{
    std::vector<int> checks;
    window.onLeaveField(IdName, [&] {
        checks.push_back(IdName);
        // Back to the field, then away again while this check still runs.
        window.setFocus(IdName);
        window.setFocus(IdCheck);
    });
    window.onLeaveField(IdCount, [&] { checks.push_back(IdCount); });
    window.setFocus(IdName);
    window.setFocus(IdCount);
    // IdCount lost the focus to IdName inside the check, so its own check ran.
    EXPECT_EQ(checks, (std::vector<int>{IdName, IdCount}));
    EXPECT_EQ(window.focusedId(), IdCheck);
}

TEST_F(DialogWindowTest, SpinUpArrowDeliversMinusOne)
{
    std::vector<int> deltas;
    window.onSpin(IdSpin, [&](int delta) { deltas.push_back(delta); });
    auto* spin = window.widget<dialog::UpDownControl>(IdSpin);
    ASSERT_NE(spin, nullptr);
    QTest::mouseClick(spin->upButton(), Qt::LeftButton);
    QTest::mouseClick(spin->downButton(), Qt::LeftButton);
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    QTest::keyClick(spin, Qt::Key_Down);
    EXPECT_EQ(deltas, (std::vector<int>{-1, +1, -1, +1}));
}

TEST_F(DialogWindowTest, CheckBoxActsAtOnceWithItsNewState)
{
    std::vector<bool> seen;
    window.onClicked(IdCheck, [&] { seen.push_back(window.isChecked(IdCheck)); });
    const QPoint onBox(4, window.control(IdCheck)->height() / 2);
    QTest::mouseClick(window.control(IdCheck), Qt::LeftButton, {}, onBox);
    QTest::mouseClick(window.control(IdCheck), Qt::LeftButton, {}, onBox);
    window.setChecked(IdCheck, true); // set by the program: no action
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(DialogWindowTest, EditsReportUserChanges)
{
    int changes = 0;
    window.onChanged(IdCount, [&] { ++changes; });
    window.setText(IdCount, QStringLiteral("9")); // set by the program: no report
    window.setFocus(IdCount);
    QTest::keyClick(window.control(IdCount), Qt::Key_End);
    QTest::keyClicks(window.control(IdCount), QStringLiteral("1x2"));
    EXPECT_EQ(changes, 2); // the letter is refused by a number field
    EXPECT_EQ(window.text(IdCount), QStringLiteral("912"));
}

TEST_F(DialogWindowTest, WindowTimersTickByNumberUntilKilled)
{
    window.setTimer(3, 5);
    window.setTimer(4, 100000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.timers.size() >= 2; }, 2000));
    EXPECT_EQ(window.timers[0], 3);
    window.killTimer(3);
    EXPECT_FALSE(window.timerActive(3));
    EXPECT_TRUE(window.timerActive(4));
    const size_t ticks = window.timers.size();
    QTest::qWait(50);
    EXPECT_EQ(window.timers.size(), ticks);
    window.setTimer(4, 5); // a new interval for a running timer
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.timers.size() > ticks; }, 2000));
    EXPECT_EQ(window.timers.back(), 4);
}

TEST_F(DialogWindowTest, SystemMenuEntryRunsItsCommand)
{
    QAction* about = window.addSystemMenuEntry(dialog::IDM_ABOUTBOX, QStringLiteral("&About..."), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(window.systemMenuActions(), QList<QAction*>{about});
    EXPECT_EQ(window.contextMenuPolicy(), Qt::ActionsContextMenu);
    window.setFocus(IdName);
    QTest::keyClick(window.control(IdName), Qt::Key_F1);
    about->trigger();
    EXPECT_EQ(window.systemCommands, (std::vector<int>{dialog::IDM_ABOUTBOX, dialog::IDM_ABOUTBOX}));
}

TEST(DialogWindowRoleTest, MainWindowsAreApplicationWindows)
{
    SampleWindow main(dialog::WindowRole::Main);
    SampleWindow secondary;
    EXPECT_EQ(main.windowType(), Qt::Window);
    EXPECT_EQ(secondary.windowType(), Qt::Dialog);
    EXPECT_TRUE(main.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(main.windowFlags() & Qt::WindowMaximizeButtonHint);
}
