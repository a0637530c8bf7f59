#include "monitor/ui/tray/QtNotificationIcon.h"

#include <QMetaObject>
#include <QSystemTrayIcon>

namespace monitor {

QtNotificationIcon::QtNotificationIcon(QObject* parent) : QObject(parent) {}

QtNotificationIcon::~QtNotificationIcon() { remove(); }

NotificationIconFactory QtNotificationIcon::factory()
{
    return [](int) { return std::make_unique<QtNotificationIcon>(); };
}

bool QtNotificationIcon::add(const QIcon& image, const QString& tip)
{
    if (m_icon || !QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_icon = new QSystemTrayIcon(image, this);
    m_icon->setToolTip(limitTip(tip));
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // A single left click does nothing; the right button and the left
        // double-click reach the window, after the icon has finished with
        // the mouse event: the menu's commands may delete this very icon.
        if (reason == QSystemTrayIcon::Context)
            deliverLater(IconEvent::RightButtonDown);
        else if (reason == QSystemTrayIcon::DoubleClick)
            deliverLater(IconEvent::LeftDoubleClick);
    });
    m_icon->show();
    return true;
}

void QtNotificationIcon::deliverLater(IconEvent event)
{
    QMetaObject::invokeMethod(this, [this, event] { deliver(event); }, Qt::QueuedConnection);
}

bool QtNotificationIcon::modify(const QIcon& image, const QString& tip)
{
    if (!m_icon || !QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_icon->setIcon(image);
    m_icon->setToolTip(limitTip(tip));
    return true;
}

bool QtNotificationIcon::remove()
{
    if (!m_icon)
        return false;
    m_icon->hide();
    delete m_icon;
    m_icon = nullptr;
    return true;
}

} // namespace monitor
