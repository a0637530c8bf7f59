#pragma once
// The mouse on the main window's client area: a right click opens the
// window's context menu, a mouse resting on a Minimum or Maximum field shows
// the date of that extreme.

#include "monitor/ui/placement/DateHover.h"
#include "monitor/ui/placement/MainContextMenu.h"
#include "monitor/ui/main/MainDialogMouse.h"

namespace monitor {

class DesktopMouse : public MainDialogMouse {
public:
    // Both must outlive this object.
    DesktopMouse(MainContextMenu& menu, DateHover& hover) : m_menu(menu), m_hover(hover) {}

    void contextMenu(MainDialog& window, QPoint screenPoint) override { m_menu.show(window, screenPoint); }
    void rested(MainDialog& window, QPoint clientPoint) override { m_hover.show(window, clientPoint); }
    int restMilliseconds() const override { return DateHover::RestMilliseconds; }

private:
    MainContextMenu& m_menu;
    DateHover& m_hover;
};

} // namespace monitor
