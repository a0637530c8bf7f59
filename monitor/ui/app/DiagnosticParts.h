#pragma once
// The benchmark and the sensor test as parts of the main window: "ZB Bench"
// runs the benchmark on the window's thread, "Sensor Test" opens the Sensor
// Test window beside the window, its download button opening the page with
// the desktop's opener.

#include "monitor/ui/desktop/DocumentOpener.h"
#include "monitor/ui/main/MainDialog.h"

namespace monitor {

// `opener` must outlive the window.
void attachDiagnostics(MainDialogParts& parts, DocumentOpener& opener);

} // namespace monitor
