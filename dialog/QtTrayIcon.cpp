#include "dialog/QtTrayIcon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QMenu>
#include <QMetaObject>
#include <QSystemTrayIcon>

namespace dialog {

QtTrayIcon::QtTrayIcon(QObject* parent) : QObject(parent) {}

QtTrayIcon::~QtTrayIcon() { remove(); }

bool QtTrayIcon::busAreaPresent()
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusReply<QDBusVariant> reply = bus.call(get, QDBus::Block, 1000);
    return reply.isValid() && reply.value().variant().toBool();
}

bool QtTrayIcon::add(const QIcon& image, const QString& tip)
{
    if (m_icon || !QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_icon = new QSystemTrayIcon(image, this);
    m_icon->setToolTip(limitTip(tip));
    m_onBus = busAreaPresent();
    if (m_onBus && fillsMenu()) {
        m_menu = new QMenu();
        fillMenu(*m_menu);
        connect(m_menu, &QMenu::aboutToShow, this, [this] {
            m_menu->clear();
            fillMenu(*m_menu);
        });
        m_icon->setContextMenu(m_menu);
    }
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // The handler's answer may delete this very icon (a menu command, a
        // double-click that restores the window), so it comes after the icon
        // has finished with the mouse event.
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            deliverLater(m_onBus ? TrayEvent::LeftDoubleClick : TrayEvent::LeftButtonDown);
            break;
        case QSystemTrayIcon::Context:
            // A D-Bus area that shows the exported menu asks for nothing more.
            if (!m_menu)
                deliverLater(TrayEvent::RightButtonDown);
            break;
        case QSystemTrayIcon::DoubleClick:
            deliverLater(TrayEvent::LeftDoubleClick);
            break;
        case QSystemTrayIcon::MiddleClick:
        case QSystemTrayIcon::Unknown:
            break;
        }
    });
    m_icon->show();
    return true;
}

void QtTrayIcon::deliverLater(TrayEvent event)
{
    QMetaObject::invokeMethod(this, [this, event] { deliver(event); }, Qt::QueuedConnection);
}

bool QtTrayIcon::modify(const QIcon& image, const QString& tip)
{
    // On a D-Bus area asking whether it is still there costs two blocking
    // calls to it: the icon registers again by itself when the area comes back.
    if (!m_icon || (!m_onBus && !QSystemTrayIcon::isSystemTrayAvailable()))
        return false;
    m_icon->setIcon(image);
    m_icon->setToolTip(limitTip(tip));
    return true;
}

bool QtTrayIcon::remove()
{
    if (!m_icon)
        return false;
    m_icon->hide();
    delete m_icon;
    m_icon = nullptr;
    delete m_menu;
    m_menu = nullptr;
    return true;
}

} // namespace dialog
