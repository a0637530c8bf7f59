#pragma once
// The main window's other windows for the window tests: each counts its
// runs; the Settings window ends as `settings` decides (OK by default).

#include "monitor/ui/main/MainDialogWindows.h"

#include <functional>

namespace uitest {

class FakeWindows : public monitor::MainDialogWindows {
public:
    std::function<bool(monitor::MainDialog&)> settings;
    bool settingsOk = true;
    int settingsRuns = 0;
    int sensorTests = 0;
    int benches = 0;
    int aboutBoxes = 0;
    int limitsWindows = 0;

    bool settingsWindow(monitor::MainDialog& window) override
    {
        ++settingsRuns;
        return settings ? settings(window) : settingsOk;
    }
    void sensorTest(monitor::MainDialog&) override { ++sensorTests; }
    void bench(monitor::MainDialog&) override { ++benches; }
    void aboutBox(monitor::MainDialog&) override { ++aboutBoxes; }
    void limitsWindow(monitor::MainDialog&) override { ++limitsWindows; }
};

} // namespace uitest
