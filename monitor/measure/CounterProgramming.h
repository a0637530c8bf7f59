#pragma once
// Register-level pieces shared by the counter set-up and the per-cycle
// measurement: starting the cycle counters on every measured processor, and
// taking one processor's readings.

#include "monitor/measure/ClockCounters.h"

#include "hw/HardwareAccess.h"

#include <cstdint>

namespace monitor {

// Enables and programs the core-cycle and reference-cycle counters on every
// measured logical processor, pinned to each in turn, then returns the thread
// to the system mask. The sampling timer repeats this on every tick.
void ProgramCounters(hw::HardwareAccess& access, const ClockCounters& counters);

struct CounterSnapshot {
    int64_t qpc = 0;          // performance counter
    uint64_t coreCycles = 0;  // unhalted core cycles
    uint64_t refCycles = 0;   // unhalted reference cycles
    uint64_t tsc = 0;
    bool pinned = false;      // false: the CPU refused the pinning and nothing was read
};

// Pins to `cpu`, reads the performance counter, both cycle counters and the
// time-stamp counter there, and returns to the system mask. A CPU that
// refuses the pinning is not read (pinned stays false).
CounterSnapshot ReadCounterSnapshot(hw::HardwareAccess& access, const ClockCounters& counters, int cpu);

// Reads the package energy counter on logical processor 0 (the lowest that
// accepts the pinning) together with the tick count.
struct EnergySnapshot {
    uint32_t energy = 0;
    uint32_t tick = 0;
    bool pinned = false; // false: no CPU accepted the pinning and nothing was read
};
EnergySnapshot ReadEnergySnapshot(hw::HardwareAccess& access);

// Moves the calling thread onto the highest-numbered logical processor from
// `first` down to 0 that accepts it, for time-stamp readings that must all
// come from one CPU; that CPU, or -1 when none does.
int MoveToHighestCpu(hw::HardwareAccess& access, int first = 8);

} // namespace monitor
