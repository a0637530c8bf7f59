#pragma once
// The state a simulated processor keeps per logical CPU, per core and per
// package: counters, control registers, temperatures and energy.

#include "sim/Counter.h"

#include <array>
#include <cstdint>
#include <optional>

namespace sim {

constexpr int MaxGeneralCounters = 4;
constexpr int FixedCounters = 3;

struct CpuState {
    std::array<Counter, MaxGeneralCounters> pmc{};
    std::array<uint64_t, MaxGeneralCounters> eventSelect{};
    std::array<Counter, FixedCounters> fixed{};
    uint64_t fixedControl = 0;
    uint64_t globalControl = 0;
    uint64_t globalStatus = 0;
    uint64_t perfControl = 0;
    uint64_t clockModulation = 0;
    Counter mperf;
    Counter aperf;
    int64_t tscOffset = 0;          // added to the nominal-rate count since power-on
    double loadFraction = 0.0;      // share of time not halted, 0..1
    std::optional<double> loadOverride; // set by a test for this CPU
};

struct CoreState {
    double celsius = 0.0;
    bool thermalLog = false;
    std::optional<int> pinnedReadout;
};

struct PackageState {
    uint64_t miscEnable = 0;
    uint64_t turboRatioLimit = 0;
    uint64_t turboPowerCurrentLimit = 0;
    uint64_t powerControl = 0;
    uint64_t flexRatio = 0;
    uint64_t pkgPowerLimit = 0;
    uint64_t pp0CurrentConfig = 0;
    double energyUnits = 0.0;       // in MSR_RAPL_POWER_UNIT energy units, unwrapped
    double watts = 0.0;             // package power over the last update
    bool thermalLog = false;
};

} // namespace sim
