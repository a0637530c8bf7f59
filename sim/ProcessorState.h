#pragma once
// The state a simulated processor keeps per logical CPU, per core and per
// package: counters, control registers, temperatures and energy. Every type
// here is plain data of fixed size, so a whole machine's state can live in a
// memory mapping that several programs share (see SimulatedMachine).

#include "sim/Counter.h"
#include "sim/CpuBits.h"

#include <array>
#include <cstdint>
#include <type_traits>

namespace sim {

constexpr int MaxGeneralCounters = 4;
constexpr int FixedCounters = 3;
constexpr int MaxCpus = 128;
constexpr int MaxCores = 64;
constexpr int MaxPackages = 4;
constexpr int MaxHolders = 32;  // simulated processors attached to one machine at once

using CpuBits = CpuBitsOf<MaxCpus>;

struct CpuState {
    std::array<Counter, MaxGeneralCounters> pmc;
    std::array<uint64_t, MaxGeneralCounters> eventSelect;
    std::array<Counter, FixedCounters> fixed;
    uint64_t fixedControl;
    uint64_t globalControl;
    uint64_t globalStatus;
    uint64_t perfControl;
    uint64_t clockModulation;
    Counter mperf;
    Counter aperf;
    int64_t tscOffset;              // added to the nominal-rate count since power-on; read without the lock
    double loadFraction;            // share of time not halted, 0..1
    bool hasLoadOverride;           // a test set this CPU's load
    double loadOverride;
    int governorRequestTenths;      // the ratio the frequency governor last asked for; 0: none yet
};

struct CoreState {
    double dieRise;                 // degrees above the heat spreader
    double spreaderCelsius;         // the heat spreader and cooler under this core
    bool thermalLog;
};

struct PackageState {
    uint64_t miscEnable;
    uint64_t turboRatioLimit;
    uint64_t turboPowerCurrentLimit;
    uint64_t powerControl;
    uint64_t flexRatio;
    uint64_t pkgPowerLimit;
    uint64_t pp0CurrentConfig;
    uint64_t pmEnable;              // IA32_PM_ENABLE: hardware P-states (HWP) take over from IA32_PERF_CTL
    double energyUnits;             // in MSR_RAPL_POWER_UNIT energy units, unwrapped
    double watts;                   // package power over the last update
    bool thermalLog;
};

// A program attached to the machine: the CPUs its threads sit on, which
// never halt completely while it runs.
struct HolderSlot {
    int32_t pid;                    // 0: free
    CpuBits busyFloor;
};

struct MachineState {
    std::array<CpuState, MaxCpus> cpus;
    std::array<CoreState, MaxCores> cores;
    std::array<PackageState, MaxPackages> packages;
    std::array<int, MaxPackages> packageRatio;
    std::array<HolderSlot, MaxHolders> holders;
    // Integration is lazy: each CPU's counters, each core's temperatures and
    // each package's energy are brought up to `last` when something reads or
    // writes them, and all of them before the rates (loads, ratios, register
    // settings) change.
    std::array<int64_t, MaxCpus> cpuIntegratedTo;
    std::array<int64_t, MaxCores> coreIntegratedTo;
    std::array<int64_t, MaxPackages> packageIntegratedTo;
    int64_t epoch;                  // clock time of power-on: the TSC counts from here
    int64_t last;                   // the latest clock time a holder told the machine
    int64_t hostSampledAt;          // clock time of the last read of the host's load
    uint64_t generation;            // advances whenever a load, a ratio or a register setting changes
};

static_assert(std::is_trivially_copyable_v<MachineState> && std::is_standard_layout_v<MachineState>,
              "the machine state must be shareable between processes as plain bytes");

} // namespace sim
