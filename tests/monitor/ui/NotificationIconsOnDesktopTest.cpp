// The monitor's icons in a real notification area (Xvfb with trayer, on the
// xcb platform): every shown icon docks with its digits and tip, and leaves
// at shutdown. Skips, saying why, without a display or notification area.

#include "MonitorRig.h"

#include "../../turbo/TrayDesktop.h"
#include "monitor/ui/DescribedFont.h"
#include "monitor/ui/DigitIcon.h"
#include "monitor/ui/NotificationIcons.h"
#include "monitor/ui/QtNotificationIcon.h"

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
    const QList<QWidget*> docked = turbo::test::dockedIconWidgets();
    if (docked.size() != count)
        return false;
    for (QWidget* widget : docked) {
        const turbo::test::XWindowPlace place = turbo::test::xWindowPlace(widget->winId());
        if (!place.embedded || !place.viewable)
            return false;
    }
    return true;
}

QSystemTrayIcon* trayIconOf(const IconSlot& slot)
{
    auto* icon = dynamic_cast<QtNotificationIcon*>(slot.icon.get());
    const QList<QSystemTrayIcon*> found = icon ? icon->findChildren<QSystemTrayIcon*>() : QList<QSystemTrayIcon*>{};
    return found.size() == 1 ? found[0] : nullptr;
}

TEST(NotificationIconsOnDesktop, ShownIconsDockWithDigitsAndTips)
{
    if (!turbo::test::trayDesktopUnavailable().empty())
        GTEST_SKIP() << turbo::test::trayDesktopUnavailable();
    const std::string missing = turbo::test::waitForNotificationArea();
    if (!missing.empty())
        GTEST_SKIP() << missing;

    NotificationIcons icons(QtNotificationIcon::factory());
    MainDialogParts parts;
    icons.attachTo(parts);
    MonitorRig rig("i7-2600k", {40, 35, 30, 25}, "IconShow=3\nIconMax=1\n", parts);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    ASSERT_EQ(rig.settings().IconShow, 3);
    ASSERT_TRUE(rig.settings().IconMax);

    const QList<QWidget*> docked = turbo::test::dockedIconWidgets();
    ASSERT_EQ(docked.size(), 3);
    for (QWidget* widget : docked) {
        const WId window = widget->winId();
        EXPECT_TRUE(QTest::qWaitFor(
            [window] {
                const turbo::test::XWindowPlace place = turbo::test::xWindowPlace(window);
                return place.embedded && place.viewable;
            },
            SettleMs))
            << "the notification area did not take an icon in";
    }
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
    EXPECT_TRUE(turbo::test::dockedIconWidgets().isEmpty());
}

// The notification area goes away and a new one starts (a panel restart):
// the icons are back within six cycles without anyone asking for them.
// Only on the display scripts/test made, whose notification area it may end.
TEST(NotificationIconsOnDesktop, IconsComeBackWhenTheNotificationAreaRestarts)
{
    if (!turbo::test::trayDesktopUnavailable().empty())
        GTEST_SKIP() << turbo::test::trayDesktopUnavailable();
    const char* trayerPid = std::getenv("OSTREL_TEST_TRAYER_PID");
    if (!trayerPid || std::atoi(trayerPid) <= 0)
        GTEST_SKIP() << "needs the notification area that scripts/test starts (OSTREL_TEST_TRAYER_PID)";
    const std::string missing = turbo::test::waitForNotificationArea();
    if (!missing.empty())
        GTEST_SKIP() << missing;

    NotificationIcons icons(QtNotificationIcon::factory());
    MainDialogParts parts;
    icons.attachTo(parts);
    MonitorRig rig("i7-2600k", {40, 35, 30, 25}, "IconShow=3\nIconMax=1\n", parts);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    ASSERT_TRUE(QTest::qWaitFor([] { return allDockedAndShown(3); }, SettleMs));

    ASSERT_EQ(::kill(std::atoi(trayerPid), SIGTERM), 0);
    ::waitpid(std::atoi(trayerPid), nullptr, WNOHANG);
    ASSERT_TRUE(QTest::qWaitFor([] { return !QSystemTrayIcon::isSystemTrayAvailable(); }, SettleMs));
    rig.tick();

    // The same panel again, in a session of its own so it outlives this test
    // for the cases that follow; it ends with the display.
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
    pid_t restarted = -1;
    ASSERT_EQ(::posix_spawnp(&restarted, "trayer", &actions, &attributes, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ASSERT_TRUE(turbo::test::waitForNotificationArea().empty());
    ::setenv("OSTREL_TEST_TRAYER_PID", std::to_string(restarted).c_str(), 1);

    int cycles = 0;
    while (cycles < 6 && !QTest::qWaitFor([] { return allDockedAndShown(3); }, 500)) {
        rig.tick();
        ++cycles;
    }
    EXPECT_TRUE(allDockedAndShown(3)) << "the icons did not come back within six cycles";
    rig.window->removeIcons();
}

} // namespace
