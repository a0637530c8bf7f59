// The alarm's desktop notice against a notification service on a private
// session bus: what it posts, that it takes the same notice back, and that a
// bus without the service costs nothing.

#include "monitor/ui/desktop/DesktopNotice.h"
#include "tests/support/PrivateSessionBus.h"

#include <gtest/gtest.h>

namespace {

using bustest::RecordingNotifications;
using bustest::spinUntil;

TEST(DesktopNotice, PostsOneCriticalNoticeAndTakesTheSameOneBack)
{
    bustest::PrivateSessionBus bus;
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus-daemon)";
    RecordingNotifications service;
    QDBusConnection serviceBus = bus.connect(QStringLiteral("notice-service"));
    ASSERT_TRUE(service.serveOn(serviceBus));

    monitor::DesktopNotice notice(bus.connect(QStringLiteral("notice-client")));
    notice.post(QStringLiteral("Temperature alarm"), QStringLiteral("Core 2: 91 °C (alarm at 90 °C)"));
    // Withdrawn before the service has answered: it is closed once numbered.
    notice.withdraw();
    ASSERT_TRUE(spinUntil([&] { return !service.closed.empty(); }));
    ASSERT_EQ(service.notices.size(), 1u);
    const RecordingNotifications::Notice& shown = service.notices[0];
    EXPECT_EQ(shown.summary, QStringLiteral("Temperature alarm"));
    EXPECT_EQ(shown.body, QStringLiteral("Core 2: 91 °C (alarm at 90 °C)"));
    EXPECT_EQ(shown.hints.value(QStringLiteral("urgency")).toInt(), 2);
    EXPECT_EQ(shown.timeout, 0) << "an alarm notice stays until the alarm clears";
    EXPECT_EQ(service.closed, std::vector<uint>{7});

    // A bus without the service: posting and withdrawing neither block nor fail.
    serviceBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    notice.post(QStringLiteral("Temperature alarm"), QStringLiteral("Core 0: 95 °C (alarm at 90 °C)"));
    notice.withdraw();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(service.notices.size(), 1u);
}

} // namespace
