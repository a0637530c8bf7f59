// Sparvel's window minimising into a real notification area on a simulated
// i7-2600K. The X server is asked where the icon's window went, so an icon
// that Qt created but no notification area took in fails here.
#include "tests/dialog/TrayDesktop.h"
#include "dialog/QtTrayIcon.h"
#include "dialog/ScriptedDialogServices.h"
#include "dialog/StandardIds.h"
#include "registers/MsrIndex.h"
#include "sim/SimulatedProcessor.h"
#include "turbo/window/TurboMonitorDialog.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace turbo {
namespace {

namespace fs = std::filesystem;
using dialog::test::dockedAndShown;
using dialog::test::dockedIconWidgets;
using dialog::test::goneFromTheServer;

constexpr int kSettleMs = 5000;

class SparvelTrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string missing = dialog::test::waitForNotificationArea();
        if (!missing.empty())
            GTEST_SKIP() << missing;
        dir = fs::temp_directory_path() / ("sparvel_tray_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        sim::Options simOptions;
        simOptions.loadMode = sim::LoadMode::Fixed;
        simOptions.fixedLoadPercent = 100;
        clock = std::make_shared<sim::ManualClock>();
        processor = sim::createSimulatedProcessor("i7-2600k", simOptions, clock).processor;
        ASSERT_TRUE(processor);
        TurboMonitorOptions options; // no tray given: the window makes the real one
        options.settingsPath = (dir / "Sparvel.ini").string();
        options.logDirectory = dir.string();
        options.services = &services;
        window = std::make_unique<TurboMonitorDialog>(*processor, std::move(options));
    }
    void TearDown() override
    {
        window.reset();
        if (!dir.empty())
            fs::remove_all(dir);
    }

    void tick()
    {
        clock->advanceSeconds(1.0);
        window->tick();
    }

    QString expectedTip() const
    {
        double ratio = static_cast<double>(
            msr::perf_status::OperatingRatio.get(*processor->peek(0, msr::IA32_PERF_STATUS)));
        return QString::asprintf("%.3fX\n100.00%%", ratio);
    }

    fs::path dir;
    std::shared_ptr<sim::ManualClock> clock;
    std::unique_ptr<sim::SimulatedProcessor> processor;
    dialog::ScriptedDialogServices services;
    std::unique_ptr<TurboMonitorDialog> window;
};

TEST_F(SparvelTrayTest, MinimisedWindowShowsItsFiguresInTheNotificationArea)
{
    ASSERT_TRUE(window->start());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto* tray = dynamic_cast<dialog::QtTrayIcon*>(&window->tray());
    ASSERT_NE(tray, nullptr) << "the window did not make the real notification icon";

    window->showMinimized();
    ASSERT_TRUE(window->trayIconShown());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, kSettleMs));
    auto* icon = tray->findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    QList<QWidget*> docked = dockedIconWidgets();
    ASSERT_EQ(docked.size(), 1);
    QWidget* widget = docked[0];
    WId iconWindow = widget->winId();
    EXPECT_TRUE(dockedAndShown(iconWindow));

    for (int second = 0; second < 3; ++second) {
        tick();
        SCOPED_TRACE(second);
        EXPECT_EQ(icon->toolTip(), expectedTip());
        EXPECT_EQ(widget->toolTip(), expectedTip());
    }

    // A click on the icon opens its menu.
    QTest::mouseClick(widget->windowHandle(), Qt::RightButton, {}, QPoint(4, 4));
    QMenu* menu = window->trayMenu();
    EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, kSettleMs));
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(texts, (QStringList{"Sparvel", "-", "Restore", "Exit"}));
    menu->hide();

    // A double click brings the window back and takes the icon away. Handed
    // to the icon itself: replayed through its window, the menu that the
    // first press opens would take the second (under X, Qt passes it on).
    QTest::mouseDClick(widget, Qt::LeftButton, {}, QPoint(4, 4));
    // The window manager may report the hidden window's old minimised state
    // once more as it maps it again: the window stays up all the same.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->isVisible() && !window->isMinimized() && !window->trayIconShown(); }, kSettleMs));
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(window->trayIconShown());
    EXPECT_EQ(tray->findChild<QSystemTrayIcon*>(), nullptr);
    EXPECT_TRUE(dockedIconWidgets().isEmpty());
    EXPECT_TRUE(goneFromTheServer(iconWindow));

    // Minimised once more, "Exit" from the menu ends the window, and the
    // icon leaves the notification area with it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, kSettleMs));
    window->showMinimized();
    ASSERT_TRUE(window->trayIconShown());
    docked = dockedIconWidgets();
    ASSERT_EQ(docked.size(), 1);
    iconWindow = docked[0]->winId();
    EXPECT_TRUE(dockedAndShown(iconWindow));
    tick();
    EXPECT_EQ(docked[0]->toolTip(), expectedTip());
    window->trayMenu()->actions().at(3)->trigger();
    EXPECT_EQ(window->result(), dialog::IDCANCEL);
    window.reset();
    EXPECT_TRUE(dockedIconWidgets().isEmpty());
    EXPECT_TRUE(goneFromTheServer(iconWindow));
}

} // namespace
} // namespace turbo
