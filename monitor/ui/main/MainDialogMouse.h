#pragma once
// What the mouse does on the main window's client area besides dragging it:
// the context menu of a right click, and the pop-up of a mouse that rested
// restMilliseconds() in one place.

#include <QPoint>

namespace monitor {

class MainDialog;

class MainDialogMouse {
public:
    virtual ~MainDialogMouse() = default;

    virtual void contextMenu(MainDialog& window, QPoint screenPoint) = 0;
    virtual void rested(MainDialog& window, QPoint clientPoint) = 0;
    virtual int restMilliseconds() const = 0;
};

} // namespace monitor
