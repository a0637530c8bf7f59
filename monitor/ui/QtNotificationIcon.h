#pragma once
// A notification-area icon on QSystemTrayIcon. Adding fails where the desktop
// has no notification area.

#include "monitor/ui/NotificationIcon.h"

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
    QSystemTrayIcon* m_icon = nullptr;
};

} // namespace monitor
