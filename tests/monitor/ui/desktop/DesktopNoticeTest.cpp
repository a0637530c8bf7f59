// The alarm's desktop notice against a notification service on a private
// session bus: what it posts, that it takes the same notice back, and that a
// bus without the service costs nothing.

#include "monitor/ui/desktop/DesktopNotice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// A session bus of the test's own, ended with it.
class PrivateBus {
public:
    PrivateBus()
    {
        FILE* daemon = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
        if (!daemon)
            return;
        char line[512] = {};
        if (std::fgets(line, sizeof line, daemon))
            m_address = QString::fromLocal8Bit(line).trimmed();
        if (std::fgets(line, sizeof line, daemon))
            m_pid = std::atoi(line);
        ::pclose(daemon);
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("notice-service"));
        QDBusConnection::disconnectFromBus(QStringLiteral("notice-client"));
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
    }
    bool running() const { return !m_address.isEmpty() && m_pid > 0; }
    QDBusConnection connect(const QString& name) const { return QDBusConnection::connectToBus(m_address, name); }

private:
    QString m_address;
    int m_pid = 0;
};

// Records Notify and CloseNotification; notices are numbered from 7.
class RecordingService : public QDBusVirtualObject {
public:
    struct Notice {
        QString app, icon, summary, body;
        uint replaces = 0;
        QVariantMap hints;
        int timeout = -1;
    };
    std::vector<Notice> notices;
    std::vector<uint> closed;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QList<QVariant> a = message.arguments();
        if (message.member() == QLatin1String("Notify") && a.size() == 8) {
            notices.push_back({a[0].toString(), a[2].toString(), a[3].toString(), a[4].toString(), a[1].toUInt(),
                               qdbus_cast<QVariantMap>(a[6]), a[7].toInt()});
            return connection.send(message.createReply(QVariant::fromValue(uint(6 + notices.size()))));
        }
        if (message.member() == QLatin1String("CloseNotification") && a.size() == 1) {
            closed.push_back(a[0].toUInt());
            return connection.send(message.createReply());
        }
        return false;
    }
};

template <typename Done>
bool spinUntil(Done done)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(DesktopNotice, PostsOneCriticalNoticeAndTakesTheSameOneBack)
{
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon is not installed (Debian package dbus-daemon)";
    RecordingService service;
    QDBusConnection serviceBus = bus.connect(QStringLiteral("notice-service"));
    ASSERT_TRUE(serviceBus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service));
    ASSERT_TRUE(serviceBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

    monitor::DesktopNotice notice(bus.connect(QStringLiteral("notice-client")));
    notice.post(QStringLiteral("Temperature alarm"), QStringLiteral("Core 2: 91 °C (alarm at 90 °C)"));
    // Withdrawn before the service has answered: it is closed once numbered.
    notice.withdraw();
    ASSERT_TRUE(spinUntil([&] { return !service.closed.empty(); }));
    ASSERT_EQ(service.notices.size(), 1u);
    const RecordingService::Notice& shown = service.notices[0];
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
