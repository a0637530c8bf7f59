#pragma once
// Opens the limits window the processor has (LimitsWindowKind), modally over
// the monitor's main window; nothing when it has none.

#include "monitor/lifecycle/MonitorRecords.h"

namespace dialog {
class DialogWindow;
}

namespace monitor {

void runLimitsWindow(MonitorRecords& records, dialog::DialogWindow& owner);

} // namespace monitor
