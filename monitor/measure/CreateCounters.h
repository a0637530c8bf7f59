#pragma once
// Start-up of the clock and load measurement, and the ratio calibration that
// Core 2 class processors repeat when their flexible ratio changes and after
// the system resumes.

#include "monitor/measure/ClockCounters.h"

#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"

namespace monitor {

// Fills the record, calibrates the ratios, starts the counters and takes the
// first readings on every measured processor (and of the package energy
// where there is a counter for it). `msrMulti` is the INI key MSRMulti.
ClockCounters CreateCounters(hw::HardwareAccess& access, const hw::ProcessorInfo& info,
                             const MeasureFlavour& flavour, int msrMulti);

// Nominal, base and highest ratio. Nehalem class: from MSR_PLATFORM_INFO.
// Core 2 class: from the ratio registers with turbo disengaged, and the
// nominal core clock measured against the performance counter.
void CalibrateRatios(hw::HardwareAccess& access, ClockCounters& counters);

// Number of divisions of the busy loop that spaces the two clock readings of
// the Core 2 calibration.
constexpr uint32_t CalibrationDivisions = 0x100000;

} // namespace monitor
