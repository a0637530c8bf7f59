#pragma once
// The X desktop of the notification-area tests: whether one is there, and
// what the X server says about the icon's window. The tests run the xcb
// platform on $DISPLAY (scripts/test provides Xvfb with trayer); without a
// display or a notification area they skip and say why.

#include <QWidget>

#include <string>

namespace dialog::test {

// Set by main(): why no QApplication could be started; empty when one runs.
std::string& trayDesktopUnavailable();

// Waits up to a few seconds for a notification area (trayer takes a moment
// to claim it after start). Returns why there is none, or an empty string.
std::string waitForNotificationArea();

// What the X server knows of a window.
struct XWindowPlace {
    bool exists = false;
    bool embedded = false; // reparented away from the root window
    bool viewable = false; // mapped, and every ancestor mapped too
};
XWindowPlace xWindowPlace(WId window);
// Waits up to five seconds for the window to sit in the notification area,
// mapped; for the X server to forget it.
bool dockedAndShown(WId window);
bool goneFromTheServer(WId window);

// The process that holds the notification area of screen 0 (the owner of
// its selection, by the _NET_WM_PID of the owning window); 0 when none or
// unknown.
long notificationAreaProcess();

// The widgets Qt docks into the notification area, one per shown icon: the
// top-level widgets its X11 icon names "QSystemTrayIconSys".
QList<QWidget*> dockedIconWidgets();

} // namespace dialog::test
