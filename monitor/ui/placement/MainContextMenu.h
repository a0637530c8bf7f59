#pragma once
// The context menu of the main window's client area (right button): the
// anchor position, the log file location, the limits window when there is
// no notification area to reach it from, minimise and exit, followed by the
// system-menu entries (About). The menu is built for each click.

#include <QPoint>

#include <memory>

class QMenu;

namespace monitor {

class MainDialog;
class WindowPlacement;

enum MainMenuCommand : int {
    ID_MINIMIZE = 32770,
    ID_EXIT = 32771,
    ID_SET_ANCHOR = 32781,
    ID_MOVE_TO_ANCHOR = 32782,
    ID_LIMITS = 32783,
    ID_SET_LOG_FILE = 32785,
};

class MainContextMenu {
public:
    explicit MainContextMenu(WindowPlacement& placement);

    // The menu; each command's action carries its identifier as data.
    std::unique_ptr<QMenu> build(MainDialog& window) const;
    // Shows the menu with its bottom at `screenPoint` and runs the choice.
    void show(MainDialog& window, QPoint screenPoint);
    void runCommand(MainDialog& window, int command);

private:
    void chooseLogFile(MainDialog& window);

    WindowPlacement& m_placement;
};

} // namespace monitor
