#pragma once
// Everything the sampling cycle produces: one CoreSample per core slot, the
// graphics slot, and the values and texts of the whole cycle. Only the
// user-interface thread, which runs the cycle, reads and writes it.

#include "hw/BuildFlavour.h"
#include "monitor/sampling/CoreSample.h"
#include "monitor/sampling/GpuSample.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

namespace monitor {

// modulationDuty while no core has on-demand clock modulation on.
constexpr int NoModulation = 32;

struct SampleSet {
    std::array<CoreSample, hw::MaxCoreSlots> cores{};
    GpuSample gpu;

    int64_t tickCount = 0;         // cycles since start or Reset
    int hottestTemperature = -128; // highest core temperature of this cycle
    int closestReadout = 128;      // lowest core readout of this cycle
    bool alarmThisTick = false;
    // The hottest source in alarm this cycle, as the desktop notice says it:
    // "Core 2: 91 °C (alarm at 90 °C)"; empty without an alarm.
    std::string alarmText;
    int alarmTemperature = -128;

    // Lowest IA32_CLOCK_MODULATION enable-and-duty value (bits 4..1) of this
    // cycle and of the one before; NoModulation when none was on.
    int modulationDuty = NoModulation;
    int previousModulationDuty = NoModulation;
    // Caption of the thermal status frame, and whether this cycle changed it.
    std::string modulationHeading = "Thermal Status";
    bool modulationHeadingChanged = false;

    std::string tooltipText; // "Core 0:  45°C\nCore 1:  47°C"
    std::string captionText; // "45°C 47°C"
    std::string gpuText;     // "GPU  %d%s" once a graphics temperature was read

    std::tm averagingStart{}; // start of the averaging period (start-up or Reset)
};

// The average of a running sum over tickCount cycles as the icons show it:
// sum / ticks + 0.5, truncated; 0 before the first cycle.
int averageOf(int64_t sum, int64_t ticks);

} // namespace monitor
