#pragma once
// A placement that leaves the window where it is and remembers the window
// whose position it was asked to restore (the window of a whole program run).

#include "monitor/ui/main/MainDialogPlacement.h"

namespace uitest {

class FakePlacement : public monitor::MainDialogPlacement {
public:
    monitor::MainDialog* window = nullptr;
    int miniToggles = 0;

    void restoreWindowPosition(monitor::MainDialog& w) override { window = &w; }
    void toggleMiniMode(monitor::MainDialog&) override { ++miniToggles; }
};

} // namespace uitest
