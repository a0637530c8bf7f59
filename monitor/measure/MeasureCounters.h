#pragma once
// One cycle of the counter measurement: the load and effective-multiplier
// factor of every measured logical processor since the previous cycle, the
// package power, and the counters started again.

#include "monitor/measure/ClockCounters.h"

#include "hw/HardwareAccess.h"

namespace monitor {

// Returns the average ratio factor of the processors that gave one, 1.0 when
// none did, and 0 when a Core 2 class processor's counters gave nothing at
// all (its factors then come from the current ratio register).
double MeasureCounters(hw::HardwareAccess& access, ClockCounters& counters);

// Reference cycles of one interval scaled to core cycles at the nominal ratio.
// The general-purpose reference count runs at the bus clock; the fixed
// counter's runs at the time-stamp rate, that is at the base ratio.
double ReferenceScale(const ClockCounters& counters);

} // namespace monitor
