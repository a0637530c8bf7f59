#pragma once
// The mouse parts of the main window for the window tests: the screen
// points of the context menus and the client points where the mouse rested
// (after `restMs`).

#include "monitor/ui/main/MainDialogMouse.h"

#include <vector>

namespace uitest {

class FakeMouse : public monitor::MainDialogMouse {
public:
    std::vector<QPoint> menus;
    std::vector<QPoint> rests;
    int restMs = 1;

    void contextMenu(monitor::MainDialog&, QPoint screenPoint) override { menus.push_back(screenPoint); }
    void rested(monitor::MainDialog&, QPoint clientPoint) override { rests.push_back(clientPoint); }
    int restMilliseconds() const override { return restMs; }
};

} // namespace uitest
