#include "monitor/ui/desktop/SleepWatcher.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace monitor {

namespace {

const char* const LogindService = "org.freedesktop.login1";
const char* const LogindPath = "/org/freedesktop/login1";
const char* const LogindManager = "org.freedesktop.login1.Manager";

} // namespace

SleepWatcher::SleepWatcher(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    m_watching = bus.connect(QString::fromLatin1(LogindService), QString::fromLatin1(LogindPath),
                             QString::fromLatin1(LogindManager), QStringLiteral("PrepareForSleep"), this,
                             SLOT(prepareForSleep(bool)));
    if (m_watching)
        takeDelayLock();
}

void SleepWatcher::takeDelayLock()
{
    QDBusInterface manager(QString::fromLatin1(LogindService), QString::fromLatin1(LogindPath),
                           QString::fromLatin1(LogindManager), QDBusConnection::systemBus());
    if (!manager.isValid())
        return;
    const QDBusReply<QDBusUnixFileDescriptor> reply =
        manager.call(QStringLiteral("Inhibit"), QStringLiteral("sleep"), QStringLiteral("Ostrel"),
                     QStringLiteral("Saving the turbo limits"), QStringLiteral("delay"));
    if (reply.isValid())
        m_delayLock = reply.value();
}

void SleepWatcher::prepareForSleep(bool sleeping)
{
    if (sleeping) {
        emit suspending();
        m_delayLock = QDBusUnixFileDescriptor(); // lets the system go to sleep
    } else {
        emit resumed();
        takeDelayLock();
    }
}

} // namespace monitor
