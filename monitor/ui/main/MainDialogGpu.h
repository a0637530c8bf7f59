#pragma once
// The graphics sensors as the main window reaches them: the GPU button's
// NVIDIA and ATI information windows, and the sensors the Settings window's
// "Nvidia" and "ATI" boxes switch on.

namespace monitor {

class MainDialog;

class MainDialogGpu {
public:
    virtual ~MainDialogGpu() = default;

    virtual void openWindows(MainDialog& window) = 0;
    // Creates the sensor when none exists; true when one works.
    virtual bool enableNvidia(MainDialog& window) = 0;
    virtual bool enableAti(MainDialog& window) = 0;
};

} // namespace monitor
