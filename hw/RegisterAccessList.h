#pragma once
// The registers the programs of the suite read and write, and nothing else:
// the privileged register helper serves these and refuses every other one.
// Reads: the registers the measurement, the identification, the switches and
// the limit windows read, and the time-stamp counter of the capability test.
// Writes: those the counter set-up, the switches and the limit windows write.

#include "hw/MsrIndex.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace hw {

enum class RegisterAccess { Read, Write };

constexpr std::array<uint32_t, 26> ReadableRegisters = {
    msr::IA32_TIME_STAMP_COUNTER, msr::IA32_PLATFORM_ID, msr::MSR_EBL_CR_POWERON, msr::IA32_PMC0,
    msr::IA32_PMC1, msr::MSR_PLATFORM_INFO, msr::IA32_PERFEVTSEL0, msr::IA32_PERFEVTSEL1, msr::MSR_FLEX_RATIO,
    msr::IA32_PERF_STATUS, msr::IA32_PERF_CTL, msr::IA32_CLOCK_MODULATION, msr::IA32_THERM_STATUS,
    msr::IA32_MISC_ENABLE, msr::MSR_TEMPERATURE_TARGET, msr::MSR_TURBO_POWER_CURRENT_LIMIT,
    msr::MSR_TURBO_RATIO_LIMIT, msr::MSR_POWER_CTL, msr::IA32_FIXED_CTR1, msr::IA32_FIXED_CTR2,
    msr::IA32_FIXED_CTR_CTRL, msr::IA32_PERF_GLOBAL_CTRL, msr::MSR_PP0_CURRENT_CONFIG, msr::MSR_RAPL_POWER_UNIT,
    msr::MSR_PKG_POWER_LIMIT, msr::MSR_PKG_ENERGY_STATUS,
};

constexpr std::array<uint32_t, 12> WritableRegisters = {
    // the measurement's counter set-up
    msr::IA32_PERFEVTSEL0, msr::IA32_PERFEVTSEL1, msr::IA32_FIXED_CTR_CTRL, msr::IA32_PERF_GLOBAL_CTRL,
    // feature switches, clock modulation, turbo and power limits
    msr::IA32_PERF_CTL, msr::IA32_CLOCK_MODULATION, msr::IA32_MISC_ENABLE, msr::MSR_POWER_CTL,
    msr::MSR_TURBO_POWER_CURRENT_LIMIT, msr::MSR_TURBO_RATIO_LIMIT, msr::MSR_PP0_CURRENT_CONFIG,
    msr::MSR_PKG_POWER_LIMIT,
};

constexpr bool registerAllowed(uint32_t index, RegisterAccess access)
{
    if (access == RegisterAccess::Write)
        return std::find(WritableRegisters.begin(), WritableRegisters.end(), index) != WritableRegisters.end();
    return std::find(ReadableRegisters.begin(), ReadableRegisters.end(), index) != ReadableRegisters.end();
}

} // namespace hw
