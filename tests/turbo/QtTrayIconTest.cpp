// The real notification icon in a real notification area: QtTrayIcon alone,
// and Sparvel's window minimising into it on a simulated i7-2600K. The X
// server is asked where the icon's window went, so an icon that Qt created
// but no notification area took in fails here.
#include "TrayDesktop.h"
#include "dialog/ScriptedDialogServices.h"
#include "dialog/StandardIds.h"
#include "hw/MsrIndex.h"
#include "sim/SimulatedProcessor.h"
#include "turbo/QtTrayIcon.h"
#include "turbo/window/TurboMonitorDialog.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>
#include <vector>

namespace turbo {
namespace {

namespace fs = std::filesystem;
using test::dockedIconWidgets;
using test::xWindowPlace;

constexpr int kSettleMs = 5000;

QIcon squareIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkGreen);
    return QIcon(pixmap);
}

bool dockedAndShown(WId window)
{
    return QTest::qWaitFor(
        [window] {
            test::XWindowPlace place = xWindowPlace(window);
            return place.embedded && place.viewable;
        },
        kSettleMs);
}

bool goneFromTheServer(WId window)
{
    return QTest::qWaitFor([window] { return !xWindowPlace(window).exists; }, kSettleMs);
}

class NotificationAreaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string missing = test::waitForNotificationArea();
        if (!missing.empty())
            GTEST_SKIP() << missing;
    }
};

using QtTrayIconTest = NotificationAreaTest;

TEST_F(QtTrayIconTest, IconIsDockedCarriesItsTipAndGoesAway)
{
    QtTrayIcon tray;
    EXPECT_FALSE(tray.modify(QStringLiteral("early"))); // nothing shown yet
    EXPECT_FALSE(tray.remove());

    const QString first = QStringLiteral("24.876X\n99.50%");
    ASSERT_TRUE(tray.add(squareIcon(), first));
    EXPECT_FALSE(tray.add(squareIcon(), QStringLiteral("second"))); // one icon at a time
    QList<QSystemTrayIcon*> icons = tray.findChildren<QSystemTrayIcon*>();
    ASSERT_EQ(icons.size(), 1);
    EXPECT_TRUE(icons[0]->isVisible());
    EXPECT_EQ(icons[0]->toolTip(), first);

    QList<QWidget*> docked = dockedIconWidgets();
    ASSERT_EQ(docked.size(), 1);
    QWidget* widget = docked[0];
    WId window = widget->winId();
    EXPECT_TRUE(dockedAndShown(window)) << "the notification area did not take the icon in";
    EXPECT_EQ(widget->toolTip(), first);
    EXPECT_TRUE(icons[0]->geometry().isValid());

    struct Case {
        QString tip;
        QString shown;
    };
    const Case cases[] = {
        {QStringLiteral("8.000X\n0.00%"), QStringLiteral("8.000X\n0.00%")},
        {QString(200, QLatin1Char('9')), QString(TrayIcon::kMaxTipLength, QLatin1Char('9'))},
        {QString(), QString()},
        {QStringLiteral("38.000X\n100.00%"), QStringLiteral("38.000X\n100.00%")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tip.toStdString());
        ASSERT_TRUE(tray.modify(c.tip));
        EXPECT_EQ(icons[0]->toolTip(), c.shown);
        // Modifying keeps the docked icon and updates what hovering shows.
        ASSERT_EQ(dockedIconWidgets(), QList<QWidget*>{widget});
        EXPECT_EQ(widget->toolTip(), c.shown);
    }

    ASSERT_TRUE(tray.remove());
    EXPECT_TRUE(tray.findChildren<QSystemTrayIcon*>().isEmpty());
    EXPECT_TRUE(dockedIconWidgets().isEmpty());
    EXPECT_TRUE(goneFromTheServer(window)) << "the icon's window outlived remove()";
    EXPECT_FALSE(tray.remove());
    EXPECT_FALSE(tray.modify(QStringLiteral("late")));

    // Added again, as on the next minimise.
    ASSERT_TRUE(tray.add(squareIcon(), QStringLiteral("again")));
    docked = dockedIconWidgets();
    ASSERT_EQ(docked.size(), 1);
    EXPECT_TRUE(dockedAndShown(docked[0]->winId()));
    EXPECT_EQ(docked[0]->toolTip(), "again");
}

TEST_F(QtTrayIconTest, ClicksOnTheDockedIconReachTheHandler)
{
    QtTrayIcon tray;
    std::vector<TrayEvent> events;
    // The handler may remove the icon, so it must run once the icon has
    // finished with the event: after every receiver of its signal.
    bool signalDone = false;
    tray.setHandler([&](TrayEvent event) {
        EXPECT_TRUE(signalDone) << "the handler ran inside the icon's signal";
        events.push_back(event);
    });
    ASSERT_TRUE(tray.add(squareIcon(), QStringLiteral("tip")));
    QObject::connect(tray.findChild<QSystemTrayIcon*>(), &QSystemTrayIcon::activated, &tray,
                     [&] { signalDone = true; });
    QList<QWidget*> docked = dockedIconWidgets();
    ASSERT_EQ(docked.size(), 1);
    ASSERT_TRUE(dockedAndShown(docked[0]->winId()));

    enum class Gesture { Click, DoubleClick };
    struct Case {
        const char* name;
        Gesture gesture;
        Qt::MouseButton button;
        std::vector<TrayEvent> expected;
    };
    const Case cases[] = {
        {"left click", Gesture::Click, Qt::LeftButton, {TrayEvent::ButtonDown}},
        {"right click", Gesture::Click, Qt::RightButton, {TrayEvent::ButtonDown}},
        {"middle click", Gesture::Click, Qt::MiddleButton, {}},
        {"left double click", Gesture::DoubleClick, Qt::LeftButton, {TrayEvent::ButtonDown, TrayEvent::DoubleClick}},
    };
    const QPoint centre(docked[0]->width() / 2, docked[0]->height() / 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        events.clear();
        signalDone = false;
        // Through the icon's window, as the X server's events come.
        if (c.gesture == Gesture::Click)
            QTest::mouseClick(docked[0]->windowHandle(), c.button, {}, centre);
        else
            QTest::mouseDClick(docked[0]->windowHandle(), c.button, {}, centre);
        QCoreApplication::processEvents();
        EXPECT_EQ(events, c.expected);
    }

    // An activation reason Qt reports without a gesture is not passed on.
    events.clear();
    emit tray.findChild<QSystemTrayIcon*>()->activated(QSystemTrayIcon::Unknown);
    EXPECT_TRUE(events.empty());
}

class SparvelTrayTest : public NotificationAreaTest {
protected:
    void SetUp() override
    {
        NotificationAreaTest::SetUp();
        if (IsSkipped())
            return;
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
    auto* tray = dynamic_cast<QtTrayIcon*>(&window->tray());
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
