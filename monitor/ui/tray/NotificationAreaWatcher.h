#pragma once
// Tells when a notification area appears on the desktop, for example a panel
// that starts after the program at login. On X11 the platform reports every
// change of the system tray's owner; elsewhere nothing is reported.

#include <QObject>

#include <functional>

class QScreen;

namespace monitor {

class NotificationAreaWatcher : public QObject {
    Q_OBJECT
public:
    // Calls appeared each time a notification area becomes available.
    explicit NotificationAreaWatcher(std::function<void()> appeared, QObject* parent = nullptr);

private slots:
    void notificationAreaChanged(QScreen* screen);

private:
    std::function<void()> m_appeared;
};

} // namespace monitor
