#pragma once
// The menu of the notification-area icons (right button on any of them) and
// the left double-click on them: what the icons show, Reset, the limits
// window, Redraw Icons, Move to Top Right, minimise, restore and exit. The
// menu is built for each click; entries whose window is not there are left
// out.

#include "dialog/TrayIcon.h"

#include <QPoint>

#include <memory>

class QMenu;

namespace monitor {

class MainDialog;
class NotificationIcons;
class WindowPlacement;

enum class IconMenuCommand : int {
    Restore = 32769,
    Minimize = 32770,
    Exit = 32771,
    Minimum = 32772,
    Maximum = 32773,
    Average = 32774,
    Current = 32775,
    Reset = 32776,
    CoreTemperature = 32777,
    DistanceToTjMax = 32778,
    RedrawIcons = 32779,
    MoveToTopRight = 32780,
    Limits = 32783,
    About = 32784,
};

class IconMenu {
public:
    IconMenu(NotificationIcons& icons, WindowPlacement& placement);

    // Receives the mouse events of the icons, and fills the menus that a
    // D-Bus notification area shows itself.
    void attachTo(NotificationIcons& icons);

    // The menu; each entry's action carries its command as data.
    std::unique_ptr<QMenu> build(MainDialog& window) const;
    void populate(QMenu& menu, MainDialog& window) const;
    // The entries of a menu the notification area shows: a chosen entry
    // runs its command once the area's call has returned.
    void fillExported(QMenu& menu, MainDialog& window);
    void runCommand(MainDialog& window, IconMenuCommand command);

    void handleEvent(MainDialog& window, dialog::TrayEvent event);

private:
    void showMenu(MainDialog& window, QPoint screenPoint);
    void toggleWindow(MainDialog& window);
    void chooseMode(MainDialog& window, int modeBit);
    void showTemperatures(MainDialog& window);
    void showDistances(MainDialog& window);

    NotificationIcons& m_icons;
    WindowPlacement& m_placement;
};

} // namespace monitor
