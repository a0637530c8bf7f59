#pragma once
// The registers the programs of the suite read and write, and nothing else:
// the privileged register helper serves these and refuses every other one.
// Reads: the registers the measurement, the identification, the switches and
// the limit windows read, and the time-stamp counter of the capability test.
// Writes: those the counter set-up, the switches and the limit windows write,
// and of each only the bits they write.

#include "registers/MsrIndex.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>

namespace registers {

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

// A register the programs write, and the bits of it they write. The helper
// refuses a write that would change any other bit: a program writes back
// what it read with only its own fields changed, so every other bit of its
// request equals the register's value. Each mask is the union of the fields
// the code that writes the register sets.
struct WritableRegister {
    uint32_t index;
    uint64_t bits;
};

constexpr uint64_t fieldBits(std::initializer_list<msr::Field> fields)
{
    uint64_t bits = 0;
    for (const msr::Field& field : fields)
        bits |= field.mask();
    return bits;
}

namespace writable {
namespace evt = msr::perfevtsel;
// The counter set-up writes the low half of an event select as a whole (the
// unhalted-cycles event, its unit mask and enables).
constexpr uint64_t EventSelect = fieldBits({evt::EventSelect, evt::UnitMask, evt::User, evt::Os, evt::EdgeDetect,
                                            evt::PinControl, evt::Interrupt, evt::AnyThread, evt::Enable,
                                            evt::Invert, evt::CounterMask});
// The enables of general counters 0 and 1 and of the three fixed counters.
constexpr uint64_t PerfGlobalCtrl =
    fieldBits({msr::perf_global_ctrl::Pmc0Enable, msr::perf_global_ctrl::Pmc1Enable,
               msr::perf_global_ctrl::FixedCtr0Enable, msr::perf_global_ctrl::FixedCtr1Enable,
               msr::perf_global_ctrl::FixedCtr2Enable});
// The ring enables of fixed counters 1 and 2.
constexpr uint64_t FixedCtrCtrl = fieldBits({msr::fixed_ctr_ctrl::Ctr1Enable, msr::fixed_ctr_ctrl::Ctr2Enable});
// The turbo switch clears the disengage bit.
constexpr uint64_t PerfCtl = fieldBits({msr::perf_ctl::TurboDisengage});
// Duty and enable, written as a whole.
constexpr uint64_t ClockModulation = fieldBits({msr::clock_modulation::DutyAndEnable});
// SpeedStep, the CPUID limit, the Core 2 C-state bits (C1E among them) and
// the turbo switch.
constexpr uint64_t MiscEnable =
    fieldBits({msr::misc_enable::EnhancedSpeedStep, msr::misc_enable::LimitCpuidMaxValue,
               msr::misc_enable::EnhancedHalt, msr::misc_enable::Core2CStateBit25, msr::misc_enable::Core2CStateBit26,
               msr::misc_enable::Core2CStateBit31, msr::misc_enable::Core2CStateBit32,
               msr::misc_enable::TurboDisengage});
constexpr uint64_t PowerCtl = fieldBits({msr::power_ctl::C1eEnable});
// The low half: the stored TDPTDC key is written as a whole at start-up.
constexpr uint64_t TurboPowerCurrentLimit =
    fieldBits({msr::turbo_power_current_limit::TdpLimit, msr::turbo_power_current_limit::TdpLimitOverride,
               msr::turbo_power_current_limit::TdcLimit, msr::turbo_power_current_limit::TdcLimitOverride});
// The ratios of one to eight active cores: every byte (the stored OneADEAX
// and OneADEDX keys are written as a whole at start-up).
constexpr uint64_t TurboRatioLimit = fieldBits(
    {msr::turbo_ratio_limit::ratioForActiveCores(1), msr::turbo_ratio_limit::ratioForActiveCores(2),
     msr::turbo_ratio_limit::ratioForActiveCores(3), msr::turbo_ratio_limit::ratioForActiveCores(4),
     msr::turbo_ratio_limit::ratioForActiveCores(5), msr::turbo_ratio_limit::ratioForActiveCores(6),
     msr::turbo_ratio_limit::ratioForActiveCores(7), msr::turbo_ratio_limit::ratioForActiveCores(8)});
constexpr uint64_t Pp0CurrentConfig =
    fieldBits({msr::pp0_current_config::WindowCurrentLimit, msr::pp0_current_config::Lock});
// Both limits with their enable and clamp bits, and the lock; never the time windows.
constexpr uint64_t PkgPowerLimit =
    fieldBits({msr::pkg_power_limit::PowerLimit1, msr::pkg_power_limit::EnableLimit1,
               msr::pkg_power_limit::ClampLimit1, msr::pkg_power_limit::PowerLimit2,
               msr::pkg_power_limit::EnableLimit2, msr::pkg_power_limit::ClampLimit2, msr::pkg_power_limit::Lock});
} // namespace writable

constexpr std::array<WritableRegister, 12> WritableRegisters = {{
    // the measurement's counter set-up
    {msr::IA32_PERFEVTSEL0, writable::EventSelect},
    {msr::IA32_PERFEVTSEL1, writable::EventSelect},
    {msr::IA32_FIXED_CTR_CTRL, writable::FixedCtrCtrl},
    {msr::IA32_PERF_GLOBAL_CTRL, writable::PerfGlobalCtrl},
    // feature switches, clock modulation, turbo and power limits
    {msr::IA32_PERF_CTL, writable::PerfCtl},
    {msr::IA32_CLOCK_MODULATION, writable::ClockModulation},
    {msr::IA32_MISC_ENABLE, writable::MiscEnable},
    {msr::MSR_POWER_CTL, writable::PowerCtl},
    {msr::MSR_TURBO_POWER_CURRENT_LIMIT, writable::TurboPowerCurrentLimit},
    {msr::MSR_TURBO_RATIO_LIMIT, writable::TurboRatioLimit},
    {msr::MSR_PP0_CURRENT_CONFIG, writable::Pp0CurrentConfig},
    {msr::MSR_PKG_POWER_LIMIT, writable::PkgPowerLimit},
}};

constexpr bool registerAllowed(uint32_t index, RegisterAccess access)
{
    if (access == RegisterAccess::Write)
        return std::any_of(WritableRegisters.begin(), WritableRegisters.end(),
                           [&](const WritableRegister& entry) { return entry.index == index; });
    return std::find(ReadableRegisters.begin(), ReadableRegisters.end(), index) != ReadableRegisters.end();
}

// The bits of the register a program may change; 0 for a register no program writes.
constexpr uint64_t writableBits(uint32_t index)
{
    for (const WritableRegister& entry : WritableRegisters)
        if (entry.index == index)
            return entry.bits;
    return 0;
}

// Whether writing `wanted` over `current` changes only bits some program writes.
constexpr bool writeAllowed(uint32_t index, uint64_t current, uint64_t wanted)
{
    return registerAllowed(index, RegisterAccess::Write) && ((current ^ wanted) & ~writableBits(index)) == 0;
}

} // namespace registers
