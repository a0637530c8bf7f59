#pragma once
// The per-process record of the clock and load measurement: the counter
// readings of every measured logical processor from the previous cycle, the
// ratios that turn counts into a multiplier, and the package energy state.
// Created once at start-up (CreateCounters) and kept for the whole run; only
// the user-interface thread touches it.

#include "common/CounterArithmetic.h"
#include "platform/Processor.h"

#include <array>
#include <cstdint>
#include <thread>

namespace monitor {

// Which counters measure unhalted core and reference cycles. The four-core
// build programs the two general-purpose counters; the six-core build uses the
// fixed-function counters, whose reference count runs at the time-stamp rate.
enum class CounterKind { Programmable, Fixed };

// What the information field of the main window shows. The four-core build
// lets the user cycle through the views the processor offers (run timer, VID,
// package power); the six-core build shows the VID when the key VIDInfo is set
// on a processor that is not Nehalem class, and the run timer otherwise.
enum class InfoChoice { Views, VidInfoKey };

// Measurement differences between the two builds, fixed at build time.
struct MeasureFlavour {
    CounterKind counters;
    int lastCpu;                                  // logical processors 0 .. lastCpu are measured
    bool packagePower;                            // package energy is read on Sandy Bridge
    platform::ThreadPriority loadThreadPriority;  // priority of the load counter thread
    InfoChoice infoChoice;
};

constexpr MeasureFlavour FourCoreMeasure{CounterKind::Programmable, 7, true,
                                         platform::ThreadPriority::AboveNormal, InfoChoice::Views};
constexpr MeasureFlavour SixCoreMeasure{CounterKind::Fixed, 15, false,
                                        platform::ThreadPriority::TimeCritical, InfoChoice::VidInfoKey};

// Logical processors the records below hold: every CPU of the largest
// processors the many-core build shows (64 cores, two threads each).
constexpr int MaxMeasuredCpus = 128;

// The many-core build measures the six-core way, on every logical processor
// it may use, so its clock and load describe the whole processor.
constexpr MeasureFlavour ManyCoreMeasure{CounterKind::Fixed, MaxMeasuredCpus - 1, false,
                                         platform::ThreadPriority::TimeCritical, InfoChoice::VidInfoKey};

struct ClockCounters {
    MeasureFlavour flavour = FourCoreMeasure;

    std::array<double, MaxMeasuredCpus> load{};         // % over the last cycle, 0..100
    std::array<double, MaxMeasuredCpus> ratioFactor{};  // effective multiplier / nominalRatio

    std::thread::id thread;            // the thread that pins itself
    platform::CpuSet processCpus;
    platform::CpuSet systemCpus;
    uint32_t signature = 0;            // saved as the INI key CPUID
    int count = 0;                     // measured processors present in systemCpus

    double nominalRatio = 1.0;         // multiplier of a ratio factor of 1.0
    double maxRatioFactor = 1.0;       // highest turbo ratio / nominalRatio
    double baseRatio = 1.0;            // maximum non-turbo ratio; tscMHz / baseRatio = bus clock
    double nominalHz = 1.0;            // nominal core clock (Core 2 class only)

    std::array<uint64_t, MaxMeasuredCpus> pmc0Last{};  // core cycles
    std::array<uint64_t, MaxMeasuredCpus> pmc1Last{};  // reference cycles
    std::array<uint64_t, MaxMeasuredCpus> tscLast{};
    std::array<int64_t, MaxMeasuredCpus> qpcPrev{};
    std::array<int64_t, MaxMeasuredCpus> qpcNow{};
    int64_t qpcFrequency = 1;
    uint64_t counterWrap = common::DefaultCounterWrap;

    bool useCycleCounters = true;      // false when MSRMulti is set
    bool countersGivenUp = false;      // six-core build: the counters gave nothing usable
    bool isNehalemClass = false;
    bool hasEnergyCounter = false;

    // How often the counters have been programmed: a tick whose measurement
    // already programmed them does not program them again.
    mutable uint64_t programmings = 0;

    double packageWatts = 0.0;
    uint32_t energyTick = 0;
    uint32_t energyLast = 0;

    bool measured(int cpu) const
    {
        return cpu <= flavour.lastCpu && cpu < MaxMeasuredCpus && systemCpus.contains(cpu);
    }
};

} // namespace monitor
