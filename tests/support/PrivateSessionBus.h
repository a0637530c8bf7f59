#pragma once
// A D-Bus session bus of the test's own (dbus-daemon), ended with it, and a
// notification service that records what programs post on it.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QVariantMap>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bustest {

class PrivateSessionBus {
public:
    PrivateSessionBus()
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
    ~PrivateSessionBus()
    {
        for (const QString& name : m_names)
            QDBusConnection::disconnectFromBus(name);
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool running() const { return !m_address.isEmpty() && m_pid > 0; }
    std::string address() const { return m_address.toStdString(); }
    // A connection of this process to the bus, under a name of its own.
    QDBusConnection connect(const QString& name)
    {
        m_names.push_back(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QString m_address;
    int m_pid = 0;
    std::vector<QString> m_names;
};

// Records Notify and CloseNotification; notices are numbered from 7.
class RecordingNotifications : public QDBusVirtualObject {
public:
    struct Notice {
        QString app, icon, summary, body;
        uint replaces = 0;
        QVariantMap hints;
        int timeout = -1;
    };
    std::vector<Notice> notices;
    std::vector<uint> closed;

    // Serves on `bus` as org.freedesktop.Notifications.
    bool serveOn(QDBusConnection& bus)
    {
        return bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), this) &&
               bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

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

// Runs this process's event loop until `done` holds or `limitMs` passed.
template <typename Done>
bool spinUntil(Done done, int limitMs = 5000)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace bustest
