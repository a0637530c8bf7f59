#pragma once
// The windows the main window opens from its buttons and menus: Settings,
// the sensor test, the benchmark, the About box and the Turbo Boost Limits
// or Power Limits window, whichever the processor has.

namespace monitor {

class MainDialog;

class MainDialogWindows {
public:
    virtual ~MainDialogWindows() = default;

    // Run modally; true when the window ended with OK.
    virtual bool settingsWindow(MainDialog& window) = 0;
    virtual void sensorTest(MainDialog& window) = 0;
    virtual void bench(MainDialog& window) = 0;
    virtual void aboutBox(MainDialog& window) = 0;
    virtual void limitsWindow(MainDialog& window) = 0;
};

} // namespace monitor
