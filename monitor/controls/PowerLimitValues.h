#pragma once
// What the Power Limits window shows: the two running-average package power
// limits of MSR_PKG_POWER_LIMIT with their enable, clamping and lock bits,
// and the current limit of MSR_PP0_CURRENT_CONFIG with its lock, in whole
// watts and amperes of the processor's power unit (1 / 2^n of
// MSR_RAPL_POWER_UNIT bits 3..0).

#include <cstdint>

namespace monitor {

struct PowerLimitValues {
    int limit1Watts = 0;
    int limit2Watts = 0;
    bool enable1 = false;
    bool enable2 = false;
    bool clamp1 = false;
    bool clamp2 = false;
    bool powerLocked = false;
    int currentAmps = 0;
    bool currentLocked = false;
};

// Register steps per watt (and per ampere): 2^(MSR_RAPL_POWER_UNIT bits 3..0).
int powerUnitOf(uint64_t raplPowerUnit);
// The largest whole value a 15-bit limit field holds in that unit.
int limitMaxOf(int powerUnit);

PowerLimitValues decodePowerLimits(uint64_t packagePowerLimit, uint64_t currentConfig, int powerUnit);

// MSR_PKG_POWER_LIMIT with both limits, their enable and clamping bits and
// the lock from the values; the time windows and every other bit as in `old`.
// A limit whose whole value is unchanged keeps its fraction.
uint64_t encodePackagePowerLimit(const PowerLimitValues& values, uint64_t old, int powerUnit);
// MSR_PP0_CURRENT_CONFIG with the current limit and its lock from the
// values; every other bit as in `old`.
uint64_t encodeCurrentConfig(const PowerLimitValues& values, uint64_t old, int powerUnit);

} // namespace monitor
