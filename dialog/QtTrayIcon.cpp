#include "dialog/QtTrayIcon.h"

#include <QMetaObject>
#include <QSystemTrayIcon>

namespace dialog {

QtTrayIcon::QtTrayIcon(QObject* parent) : QObject(parent) {}

QtTrayIcon::~QtTrayIcon() { remove(); }

bool QtTrayIcon::add(const QIcon& image, const QString& tip)
{
    if (m_icon || !QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_icon = new QSystemTrayIcon(image, this);
    m_icon->setToolTip(limitTip(tip));
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // The handler's answer may delete this very icon (a menu command, a
        // double-click that restores the window), so it comes after the icon
        // has finished with the mouse event.
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            deliverLater(TrayEvent::LeftButtonDown);
            break;
        case QSystemTrayIcon::Context:
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
    if (!m_icon || !QSystemTrayIcon::isSystemTrayAvailable())
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
    return true;
}

} // namespace dialog
