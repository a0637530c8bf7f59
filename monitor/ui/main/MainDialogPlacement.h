#pragma once
// The main window's place on the desktop: the position restored from
// WindowXY, and the switch to and from the mini layout.

namespace monitor {

class MainDialog;

class MainDialogPlacement {
public:
    virtual ~MainDialogPlacement() = default;

    virtual void restoreWindowPosition(MainDialog& window) = 0;
    virtual void toggleMiniMode(MainDialog& window) = 0;
};

} // namespace monitor
