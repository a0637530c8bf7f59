#pragma once
// A notification-area icon on QSystemTrayIcon. Adding fails where the desktop
// has no notification area. Mouse events reach the handler from the event
// loop, never from inside the icon's own event delivery, so a handler may
// remove or re-add any icon, this one included.

#include "monitor/ui/tray/NotificationIcon.h"

#include <QObject>

class QSystemTrayIcon;

namespace monitor {

class QtNotificationIcon : public QObject, public NotificationIcon {
    Q_OBJECT
public:
    explicit QtNotificationIcon(QObject* parent = nullptr);
    ~QtNotificationIcon() override;

    bool add(const QIcon& image, const QString& tip) override;
    bool modify(const QIcon& image, const QString& tip) override;
    bool remove() override;

    // The factory for the program: one QSystemTrayIcon per identifier.
    static NotificationIconFactory factory();

private:
    // Hands a mouse event to the handler once control is back in the event loop.
    void deliverLater(IconEvent event);

    QSystemTrayIcon* m_icon = nullptr;
};

} // namespace monitor
