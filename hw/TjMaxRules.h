#pragma once
// TjMax of each core: the model table, the processor's own
// MSR_TEMPERATURE_TARGET on Nehalem-class processors, and the per-core
// override from the settings.

#include "hw/BuildFlavour.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"

#include <span>

namespace hw {

// Accepted range of a per-core TjMax override, in °C.
constexpr int TjMaxOverrideMin = 70;
constexpr int TjMaxOverrideMax = 120;

// The default of 100 °C followed by the model table, each matching rule
// setting every core (the later rule wins); sets mobileModel for mobile and
// low-power models. May rename "L9300", "L9400" and "L9600" to their "SL" names.
void applyTjMaxTable(ProcessorInfo& info, const BuildFlavour& flavour);

// killMhz starts as mobileModel; the KillMHz key (0 when absent) clears it with
// the value 29 on a mobile model and sets it with any non-zero value otherwise.
void settleKillMhz(ProcessorInfo& info, int killMHzKey, const BuildFlavour& flavour);

// On Nehalem-class processors, each present core's TjMax from its
// MSR_TEMPERATURE_TARGET (values below 70 give 100). Pins to each core in
// turn and returns to the system mask.
void readTemperatureTargets(HardwareAccess& access, ProcessorInfo& info);
// TjMax from MSR_TEMPERATURE_TARGET: a target below 70 is no TjMax, 100 stands for it.
int tjMaxOfTarget(uint64_t temperatureTarget);

// Records the detected values, then applies the override keys TjMax0, TjMax1...
// (keys[n] for core n) that lie between 70 and 120 inclusive.
void applyTjMaxOverrides(ProcessorInfo& info, std::span<const int> keys);

} // namespace hw
