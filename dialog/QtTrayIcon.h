#pragma once
// A notification-area icon on QSystemTrayIcon. Adding fails where the desktop
// has no notification area. Mouse events reach the handler from the event
// loop, never from inside the icon's own event delivery, so a handler may
// remove or re-add any icon, this one included.
//
// A D-Bus notification area (StatusNotifierItem: KDE Plasma, GNOME with its
// AppIndicator extension, waybar and most current panels) reports no double
// click and shows the icon's menu itself: there an activation counts as the
// double click, and the menu filler's menu is exported to the area.

#include "dialog/TrayIcon.h"

#include <QObject>

class QSystemTrayIcon;

namespace dialog {

class QtTrayIcon : public QObject, public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject* parent = nullptr);
    ~QtTrayIcon() override;

    bool add(const QIcon& image, const QString& tip) override;
    bool modify(const QIcon& image, const QString& tip) override;
    bool remove() override;

    // Whether the session bus has a D-Bus notification area (a status
    // notifier watcher with a host registered).
    static bool busAreaPresent();

private:
    // Hands a mouse event to the handler once control is back in the event loop.
    void deliverLater(TrayEvent event);

    QSystemTrayIcon* m_icon = nullptr;
    bool m_onBus = false;
    QMenu* m_menu = nullptr; // the exported menu, on a D-Bus area only
};

} // namespace dialog
