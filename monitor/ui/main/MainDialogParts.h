#pragma once
// The parts of other windows and of the desktop that plug into the main
// window. A part left out is not there: its buttons are disabled, and the
// window falls back to what it can do alone.

namespace monitor {

class AlarmOutputs;
class MainDialogGpu;
class MainDialogIcons;
class MainDialogMouse;
class MainDialogPlacement;
class MainDialogWindows;

struct MainDialogParts {
    // Without them the Settings, Sensor Test and ZB Bench buttons are
    // disabled and the system menu has no About entry.
    MainDialogWindows* windows = nullptr;
    // Without them the window keeps its task-bar button, and Qt tells
    // whether the desktop has a notification area.
    MainDialogIcons* icons = nullptr;
    // Without it the window stays where the window manager put it, in the
    // normal layout.
    MainDialogPlacement* placement = nullptr;
    // Without it a right click shows the system-menu entries.
    MainDialogMouse* mouse = nullptr;
    // Without it the GPU button stays disabled.
    MainDialogGpu* gpu = nullptr;
    // Without them an alarm only flashes the window (QApplication::alert).
    AlarmOutputs* alarm = nullptr;
};

} // namespace monitor
