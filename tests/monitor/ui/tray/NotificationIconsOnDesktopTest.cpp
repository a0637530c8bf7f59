// The monitor's icons in a real notification area (Xvfb with trayer, on the
// xcb platform): every shown icon docks with its digits and tip, and leaves
// at shutdown. Skips, saying why, without a display or notification area.

#include "tests/monitor/ui/MonitorRig.h"

#include "tests/dialog/TrayDesktop.h"
#include "dialog/QtTrayIcon.h"
#include "monitor/ui/desktop/DescribedFont.h"
#include "monitor/ui/tray/DigitIcon.h"
#include "monitor/ui/tray/NotificationAreaWatcher.h"
#include "monitor/ui/tray/NotificationIcons.h"

#include <QSystemTrayIcon>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <set>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

namespace {

using namespace monitor;
using uitest::MonitorRig;

constexpr int SettleMs = 5000;

bool allDockedAndShown(int count)
{
    const QList<QWidget*> docked = dialog::test::dockedIconWidgets();
    if (docked.size() != count)
        return false;
    for (QWidget* widget : docked) {
        const dialog::test::XWindowPlace place = dialog::test::xWindowPlace(widget->winId());
        if (!place.embedded || !place.viewable)
            return false;
    }
    return true;
}

// Ends the notification area of the display scripts/test made (trayer, or
// the one a test before started in its place) and waits until the desktop
// has none.
testing::AssertionResult endNotificationArea()
{
    const long owner = dialog::test::notificationAreaProcess();
    if (owner <= 0 || ::kill(static_cast<pid_t>(owner), SIGTERM) != 0)
        return testing::AssertionFailure() << "the notification area could not be ended";
    ::waitpid(static_cast<pid_t>(owner), nullptr, WNOHANG);
    if (!QTest::qWaitFor([] { return !QSystemTrayIcon::isSystemTrayAvailable(); }, SettleMs))
        return testing::AssertionFailure() << "the notification area stayed";
    return testing::AssertionSuccess();
}

// The same panel again, in a session of its own so it outlives this test for
// the cases that follow; it ends with the display.
testing::AssertionResult startNotificationArea()
{
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const char* argv[] = {"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                          "--width", "200", "--height", "24", nullptr};
    // Its output goes nowhere: an inherited pipe would keep the test runner
    // waiting for this test's output to end.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    pid_t started = -1;
    const int error = ::posix_spawnp(&started, "trayer", &actions, &attributes, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return testing::AssertionFailure() << "trayer could not be started";
    const std::string missing = dialog::test::waitForNotificationArea();
    if (!missing.empty())
        return testing::AssertionFailure() << missing;
    return testing::AssertionSuccess();
}

// Skips, saying why, where the notification area may not be ended: only
// scripts/test's display (it names its trayer in OSTREL_TEST_TRAYER_PID).
std::string notificationAreaNotOurs()
{
    if (!dialog::test::trayDesktopUnavailable().empty())
        return dialog::test::trayDesktopUnavailable();
    const char* trayerPid = std::getenv("OSTREL_TEST_TRAYER_PID");
    if (!trayerPid || std::atoi(trayerPid) <= 0)
        return "needs the notification area that scripts/test starts (OSTREL_TEST_TRAYER_PID)";
    return dialog::test::waitForNotificationArea();
}

QSystemTrayIcon* trayIconOf(const IconSlot& slot)
{
    auto* icon = dynamic_cast<dialog::QtTrayIcon*>(slot.icon.get());
    const QList<QSystemTrayIcon*> found = icon ? icon->findChildren<QSystemTrayIcon*>() : QList<QSystemTrayIcon*>{};
    return found.size() == 1 ? found[0] : nullptr;
}

TEST(NotificationIconsOnDesktop, ShownIconsDockWithDigitsAndTips)
{
    if (!dialog::test::trayDesktopUnavailable().empty())
        GTEST_SKIP() << dialog::test::trayDesktopUnavailable();
    const std::string missing = dialog::test::waitForNotificationArea();
    if (!missing.empty())
        GTEST_SKIP() << missing;

    NotificationIcons icons(NotificationIcons::desktopIcons());
    MonitorRig rig("i7-2600k", {40, 35, 30, 25}, "IconShow=3\nIconMax=1\n", {.icons = &icons});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    ASSERT_EQ(rig.settings().IconShow, 3);
    ASSERT_TRUE(rig.settings().IconMax);

    const QList<QWidget*> docked = dialog::test::dockedIconWidgets();
    ASSERT_EQ(docked.size(), 3);
    for (QWidget* widget : docked)
        EXPECT_TRUE(dialog::test::dockedAndShown(widget->winId())) << "the notification area did not take an icon in";
    const QString full = QString::fromUtf8("Core 0:  58\xC2\xB0" "C\nCore 1:  63\xC2\xB0" "C\nCore 2:  68\xC2\xB0"
                                           "C\nCore 3:  73\xC2\xB0" "C");
    std::multiset<QString> tips;
    for (QWidget* widget : docked)
        tips.insert(widget->toolTip());
    EXPECT_EQ(tips, (std::multiset<QString>{full, full, QStringLiteral("Core 1")}));

    const QFont font = fontFromDescription(rig.settings().iconFont);
    const std::vector<std::pair<int, int>> shown{{0, 58}, {1, 63}};
    for (const auto& [slot, value] : shown) {
        QSystemTrayIcon* tray = trayIconOf(icons.iconSlots()[static_cast<size_t>(slot)]);
        ASSERT_NE(tray, nullptr);
        const QImage expected =
            makeDigitIcon(value, Qt::white, font, DigitCount::Two)->pixmap(smallIconSize()).toImage();
        EXPECT_EQ(tray->icon().pixmap(smallIconSize()).toImage(), expected) << "slot " << slot;
    }

    rig.window->removeIcons();
    EXPECT_TRUE(dialog::test::dockedIconWidgets().isEmpty());
}

// The notification area goes away and a new one starts (a panel restart):
// the icons are back within six cycles without anyone asking for them.
// Only on the display scripts/test made, whose notification area it may end.
TEST(NotificationIconsOnDesktop, IconsComeBackWhenTheNotificationAreaRestarts)
{
    const std::string skip = notificationAreaNotOurs();
    if (!skip.empty())
        GTEST_SKIP() << skip;

    NotificationIcons icons(NotificationIcons::desktopIcons());
    MonitorRig rig("i7-2600k", {40, 35, 30, 25}, "IconShow=3\nIconMax=1\n", {.icons = &icons});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    ASSERT_TRUE(QTest::qWaitFor([] { return allDockedAndShown(3); }, SettleMs));

    ASSERT_TRUE(endNotificationArea());
    rig.tick();
    ASSERT_TRUE(startNotificationArea());

    int cycles = 0;
    while (cycles < 6 && !QTest::qWaitFor([] { return allDockedAndShown(3); }, 500)) {
        rig.tick();
        ++cycles;
    }
    EXPECT_TRUE(allDockedAndShown(3)) << "the icons did not come back within six cycles";
    rig.window->removeIcons();
}

// The panel starts after the program (at login): the run keeps a task-bar
// button, and the icons dock as soon as the notification area is there,
// without waiting for a cycle.
TEST(NotificationIconsOnDesktop, IconsDockWhenTheNotificationAreaComesLate)
{
    const std::string skip = notificationAreaNotOurs();
    if (!skip.empty())
        GTEST_SKIP() << skip;
    ASSERT_TRUE(endNotificationArea());

    NotificationIcons icons(NotificationIcons::desktopIcons());
    MonitorRig rig("i7-2600k", {40, 35, 30, 25}, "IconShow=3\nIconMax=1\n", {.icons = &icons});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    const NotificationAreaWatcher watcher([&] { icons.notificationAreaAppeared(*rig.window); });
    rig.tick();
    EXPECT_EQ(rig.settings().IconShow, 0);
    EXPECT_EQ(rig.settings().TaskBar, 1);

    ASSERT_TRUE(startNotificationArea());
    EXPECT_TRUE(QTest::qWaitFor([] { return allDockedAndShown(3); }, SettleMs)) << "the icons did not dock";
    EXPECT_EQ(rig.settings().IconShow, 3);
    EXPECT_TRUE(rig.settings().IconMax);
    EXPECT_EQ(rig.settings().TaskBar, 0);
    rig.window->removeIcons();
}

} // namespace
