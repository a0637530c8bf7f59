#include "monitor/ui/desktop/DesktopNotice.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace monitor {
namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

constexpr uchar UrgencyCritical = 2;
constexpr int NeverExpires = 0;

} // namespace

DesktopNotice::DesktopNotice(QDBusConnection bus, QObject* parent) : QObject(parent), m_bus(std::move(bus)) {}

DesktopNotice::~DesktopNotice() { closeShown(); }

void DesktopNotice::post(const QString& summary, const QString& body)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    const QString program = QCoreApplication::applicationName();
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(UrgencyCritical));
    hints.insert(QStringLiteral("desktop-entry"), program.toLower());
    call << program << m_shown << program.toLower() << summary << body << QStringList() << hints << NeverExpires;
    m_awaitingNumber = true;
    m_withdrawWhenNumbered = false;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<uint> reply = *finished;
        finished->deleteLater();
        m_awaitingNumber = false;
        if (reply.isError())
            return; // no service: nothing was shown
        m_shown = reply.value();
        if (m_withdrawWhenNumbered)
            closeShown();
    });
}

void DesktopNotice::withdraw()
{
    if (m_awaitingNumber)
        m_withdrawWhenNumbered = true;
    else
        closeShown();
}

void DesktopNotice::closeShown()
{
    if (m_shown == 0 || !m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("CloseNotification"));
    call << m_shown;
    m_bus.asyncCall(call);
    m_shown = 0;
}

} // namespace monitor
