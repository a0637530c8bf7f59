#include "turbo/QtTrayIcon.h"

#include <QMetaObject>
#include <QSystemTrayIcon>

namespace turbo {

QtTrayIcon::QtTrayIcon(QObject* parent) : QObject(parent) {}

QtTrayIcon::~QtTrayIcon() { remove(); }

bool QtTrayIcon::add(const QIcon& icon, const QString& tip)
{
    if (m_icon || !QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_icon = new QSystemTrayIcon(icon, this);
    m_icon->setToolTip(limitTip(tip));
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // The window's answer may remove this icon (a double-click restores
        // the window), so it comes after the icon has finished with the event.
        switch (reason) {
        case QSystemTrayIcon::Trigger:
        case QSystemTrayIcon::Context:
            deliverLater(TrayEvent::ButtonDown);
            break;
        case QSystemTrayIcon::DoubleClick:
            deliverLater(TrayEvent::DoubleClick);
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

bool QtTrayIcon::modify(const QString& tip)
{
    if (!m_icon)
        return false;
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

} // namespace turbo
