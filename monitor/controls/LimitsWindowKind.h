#pragma once
// Which limits window the monitor offers for a processor: the turbo ratio
// and TDP/TDC limits of Nehalem-class processors, the package power and
// current limits of Sandy Bridge, or none (older processors, and Sandy Bridge
// in a build without package power).

#include "hw/ProcessorInfo.h"
#include "monitor/measure/ClockCounters.h"

namespace monitor {

enum class LimitsWindowKind { None, TurboLimits, PowerLimits };

LimitsWindowKind limitsWindowFor(const hw::ProcessorInfo& info, const MeasureFlavour& flavour);

// The menu text of the window's entry; empty for None.
const char* limitsMenuText(LimitsWindowKind kind);

} // namespace monitor
