#include "sim/RegisterFile.h"

#include "registers/MsrIndex.h"

namespace sim {

namespace {

using namespace msr;

bool isCore2Class(const Profile& profile) { return !profile.nehalemOrLater(); }

// The sticky log bits of IA32_THERM_STATUS, which a write of 0 clears.
constexpr uint64_t ThermalLogBits =
    therm_status::ThermalStatusLog.mask() | therm_status::ProchotLog.mask() | therm_status::CriticalStatusLog.mask();
// Bits of IA32_MISC_ENABLE that only the processor sets.
constexpr uint64_t MiscReadOnly = misc_enable::PerformanceMonitoring.mask() | misc_enable::BtsUnavailable.mask()
                                  | misc_enable::PebsUnavailable.mask();
constexpr uint64_t PerfControlBits =
    perf_ctl::TargetRatio.mask() | perf_ctl::TargetVid.mask() | perf_ctl::TurboDisengage.mask();

constexpr uint64_t fixedControlBits()
{
    uint64_t bits = 0;
    for (unsigned n = 0; n < FixedCounters; ++n)
        bits |= fixed_ctr_ctrl::ctrEnable(n).mask() | fixed_ctr_ctrl::ctrAnyThread(n).mask()
                | fixed_ctr_ctrl::ctrInterrupt(n).mask();
    return bits;
}
constexpr uint64_t FixedControlBits = fixedControlBits();

} // namespace

bool RegisterFile::hasGeneralCounter(uint32_t index, uint32_t first) const
{
    return index >= first && index < first + uint32_t(m_model.facts().generalCounters);
}

std::optional<uint64_t> RegisterFile::read(int cpu, uint32_t index, int64_t nowNanoseconds)
{
    const Profile& p = m_model.profile();
    const LogicalCpu& where = m_model.topology().cpu(cpu);
    CpuState& state = m_model.cpu(cpu);
    PackageState& package = m_model.package(where.package);
    bool core2 = isCore2Class(p);
    bool sandyBridge = p.family == Family::SandyBridge;
    // The registers that count: this CPU's alone brought up to now.
    const auto counted = [&]() -> CpuState& {
        m_model.integrateCpu(cpu);
        return state;
    };

    if (hasGeneralCounter(index, IA32_PMC0))
        return counted().pmc[index - IA32_PMC0].value;
    if (hasGeneralCounter(index, IA32_PERFEVTSEL0))
        return state.eventSelect[index - IA32_PERFEVTSEL0];
    if (index >= IA32_FIXED_CTR0 && index < IA32_FIXED_CTR0 + FixedCounters)
        return counted().fixed[index - IA32_FIXED_CTR0].value;

    switch (index) {
    case IA32_TIME_STAMP_COUNTER: return m_model.tsc(cpu, nowNanoseconds);
    case IA32_PLATFORM_ID: {
        uint64_t value = platform_id::PlatformId.set(0, uint64_t(p.platformId));
        if (core2)
            value = RegisterImages::ratioWithHalf(platform_id::MaxQualifiedRatio, platform_id::MaxQualifiedHalfRatio,
                                  p.baseRatioTenths, value);
        return value;
    }
    case MSR_EBL_CR_POWERON:
        if (!core2)
            return std::nullopt;
        return RegisterImages::ratioWithHalf(ebl_cr_poweron::PowerOnRatio, ebl_cr_poweron::HalfRatio, p.baseRatioTenths);
    case MSR_PLATFORM_INFO: return m_images.platformInfo();
    case IA32_MPERF: return counted().mperf.value;
    case IA32_APERF: return counted().aperf.value;
    case MSR_FLEX_RATIO: return package.flexRatio;
    case IA32_PERF_STATUS: return m_images.perfStatus(cpu);
    case IA32_PERF_CTL: return state.perfControl;
    case IA32_CLOCK_MODULATION: return state.clockModulation;
    case IA32_THERM_STATUS: return m_images.thermStatus(where.core);
    case IA32_MISC_ENABLE: return package.miscEnable;
    case MSR_TEMPERATURE_TARGET:
        if (core2)
            return std::nullopt;
        return temperature_target::TjMax.set(0, uint64_t(p.tjMax));
    case MSR_TURBO_POWER_CURRENT_LIMIT:
        if (p.family != Family::Nehalem)
            return std::nullopt;
        return package.turboPowerCurrentLimit;
    case MSR_TURBO_RATIO_LIMIT:
        if (core2)
            return std::nullopt;
        return package.turboRatioLimit;
    case MSR_TURBO_RATIO_LIMIT1:
        if (p.turboGroupCores == 0)
            return std::nullopt;
        return p.turboGroupCores;
    case IA32_PACKAGE_THERM_STATUS:
        if (!sandyBridge)
            return std::nullopt;
        return m_images.packageThermStatus(where.package);
    case MSR_POWER_CTL:
        if (core2)
            return std::nullopt;
        return package.powerControl;
    case IA32_FIXED_CTR_CTRL: return state.fixedControl;
    case IA32_PERF_GLOBAL_STATUS: return counted().globalStatus;
    case IA32_PERF_GLOBAL_CTRL: return state.globalControl;
    case IA32_PERF_GLOBAL_OVF_CTRL: return 0;
    case MSR_PP0_CURRENT_CONFIG:
        if (!sandyBridge)
            return std::nullopt;
        return package.pp0CurrentConfig;
    case MSR_RAPL_POWER_UNIT:
        if (!sandyBridge)
            return std::nullopt;
        return p.raplPowerUnit;
    case MSR_PKG_POWER_LIMIT:
        if (!sandyBridge)
            return std::nullopt;
        return package.pkgPowerLimit;
    case MSR_PKG_ENERGY_STATUS:
        if (!sandyBridge)
            return std::nullopt;
        m_model.integratePackage(where.package);
        return pkg_energy_status::TotalEnergyConsumed.get(static_cast<uint64_t>(package.energyUnits));
    case IA32_PM_ENABLE:
        if (!m_model.facts().hwp)
            return std::nullopt;
        return package.pmEnable;
    default: return std::nullopt;
    }
}

WriteOutcome RegisterFile::writeMiscEnable(int cpu, uint64_t value)
{
    PackageState& package = m_model.packageOf(cpu);
    uint64_t old = package.miscEnable;
    uint64_t result = (value & ~MiscReadOnly) | (old & MiscReadOnly);
    // The SpeedStep select lock is write-once and freezes the SpeedStep enable.
    if (misc_enable::SpeedStepLock.test(old)) {
        result = misc_enable::SpeedStepLock.set(result, 1);
        result = misc_enable::EnhancedSpeedStep.set(result, misc_enable::EnhancedSpeedStep.get(old));
    }
    package.miscEnable = result;
    return result == value ? WriteOutcome::Applied : WriteOutcome::Ignored;
}

WriteOutcome RegisterFile::writeTurboRatioLimit(int cpu, uint64_t value)
{
    const Profile& p = m_model.profile();
    PackageState& package = m_model.packageOf(cpu);
    if (!p.ratioLimitProgrammable)
        return WriteOutcome::Ignored;
    // Only the bytes of core counts the package has are kept.
    uint64_t kept = 0;
    for (int cores = 1; cores <= p.coresPerPackage && cores <= 8; ++cores) {
        Field byte = turbo_ratio_limit::ratioForActiveCores(unsigned(cores));
        kept = byte.set(kept, byte.get(value));
    }
    package.turboRatioLimit = kept;
    return kept == value ? WriteOutcome::Applied : WriteOutcome::Ignored;
}

WriteOutcome RegisterFile::write(int cpu, uint32_t index, uint64_t value, int64_t nowNanoseconds)
{
    // What the CPU counted so far, it counted with the settings it had.
    m_model.integrateCpu(cpu);
    // Programs rewrite the same settings every tick; the ratios only need
    // settling again when a register really changed.
    const ProcessorModel::RegisterImage before = m_model.registerImage(cpu);
    const WriteOutcome outcome = apply(cpu, index, value, nowNanoseconds);
    if (!m_model.registersMatch(cpu, before))
        m_model.settle();
    return outcome;
}

WriteOutcome RegisterFile::apply(int cpu, uint32_t index, uint64_t value, int64_t nowNanoseconds)
{
    const Profile& p = m_model.profile();
    const CpuidFacts& facts = m_model.facts();
    CpuState& state = m_model.cpu(cpu);
    PackageState& package = m_model.packageOf(cpu);
    bool core2 = isCore2Class(p);
    bool sandyBridge = p.family == Family::SandyBridge;

    if (hasGeneralCounter(index, IA32_PMC0)) {
        // A legacy counter write takes the low 32 bits, sign-extended to the counter width.
        uint64_t extended = uint64_t(int64_t(int32_t(lowHalf(value))));
        Counter& counter = state.pmc[index - IA32_PMC0];
        counter.set(extended, facts.generalWidth);
        return counter.value == value ? WriteOutcome::Applied : WriteOutcome::Ignored;
    }
    if (hasGeneralCounter(index, IA32_PERFEVTSEL0)) {
        if (highHalf(value) != 0)
            return WriteOutcome::Faulted;
        state.eventSelect[index - IA32_PERFEVTSEL0] = value;
        return WriteOutcome::Applied;
    }
    if (index >= IA32_FIXED_CTR0 && index < IA32_FIXED_CTR0 + FixedCounters) {
        Counter& counter = state.fixed[index - IA32_FIXED_CTR0];
        counter.set(value, facts.fixedWidth);
        return counter.value == value ? WriteOutcome::Applied : WriteOutcome::Ignored;
    }

    switch (index) {
    case IA32_TIME_STAMP_COUNTER: m_model.setTsc(cpu, value, nowNanoseconds); return WriteOutcome::Applied;
    case IA32_MPERF: state.mperf.set(value, 64); return WriteOutcome::Applied;
    case IA32_APERF: state.aperf.set(value, 64); return WriteOutcome::Applied;
    case MSR_EBL_CR_POWERON: return core2 ? WriteOutcome::Ignored : WriteOutcome::Faulted;
    case MSR_FLEX_RATIO: package.flexRatio = value; return WriteOutcome::Applied; // acts at the next reset
    case IA32_PERF_CTL:
        if (value & ~PerfControlBits)
            return WriteOutcome::Faulted;
        if (m_model.hwpActive(m_model.topology().cpu(cpu).package))
            return WriteOutcome::Ignored; // hardware P-states own the ratio
        state.perfControl = value;
        return WriteOutcome::Applied;
    case IA32_CLOCK_MODULATION: {
        bool badLowBit = !facts.extendedClockModulation && clock_modulation::ExtendedDutyBit.test(value);
        if ((value & ~clock_modulation::DutyAndEnable.mask()) || badLowBit)
            return WriteOutcome::Faulted;
        state.clockModulation = value;
        return WriteOutcome::Applied;
    }
    case IA32_THERM_STATUS: {
        // Only the log bits are writable, and only to clear them.
        CoreState& core = m_model.core(m_model.topology().cpu(cpu).core);
        if (!therm_status::ThermalStatusLog.test(value))
            core.thermalLog = false;
        return (value & ~ThermalLogBits) == 0 ? WriteOutcome::Applied : WriteOutcome::Ignored;
    }
    case IA32_MISC_ENABLE: return writeMiscEnable(cpu, value);
    case MSR_TURBO_POWER_CURRENT_LIMIT:
        if (p.family != Family::Nehalem || highHalf(value) != 0)
            return WriteOutcome::Faulted;
        if (!p.tdpLimitProgrammable)
            return WriteOutcome::Ignored;
        package.turboPowerCurrentLimit = value;
        return WriteOutcome::Applied;
    case MSR_TURBO_RATIO_LIMIT:
        if (core2)
            return WriteOutcome::Faulted;
        return writeTurboRatioLimit(cpu, value);
    case MSR_POWER_CTL:
        if (core2 || highHalf(value) != 0)
            return WriteOutcome::Faulted;
        package.powerControl = value;
        return WriteOutcome::Applied;
    case IA32_FIXED_CTR_CTRL:
        if (value & ~FixedControlBits)
            return WriteOutcome::Faulted;
        state.fixedControl = value;
        return WriteOutcome::Applied;
    case IA32_PERF_GLOBAL_CTRL: {
        uint64_t valid = 0;
        for (int n = 0; n < facts.generalCounters; ++n)
            valid |= perf_global_ctrl::pmcEnable(unsigned(n)).mask();
        for (unsigned n = 0; n < FixedCounters; ++n)
            valid |= perf_global_ctrl::fixedEnable(n).mask();
        if (value & ~valid)
            return WriteOutcome::Faulted;
        state.globalControl = value;
        return WriteOutcome::Applied;
    }
    case IA32_PERF_GLOBAL_OVF_CTRL: state.globalStatus &= ~value; return WriteOutcome::Applied;
    case MSR_PP0_CURRENT_CONFIG:
        if (!sandyBridge || highHalf(value) != 0)
            return WriteOutcome::Faulted;
        if (pp0_current_config::Lock.test(package.pp0CurrentConfig))
            return WriteOutcome::Ignored;
        package.pp0CurrentConfig = value;
        return WriteOutcome::Applied;
    case MSR_PKG_POWER_LIMIT:
        if (!sandyBridge)
            return WriteOutcome::Faulted;
        if (pkg_power_limit::Lock.test(package.pkgPowerLimit))
            return WriteOutcome::Ignored;
        package.pkgPowerLimit = value;
        return WriteOutcome::Applied;
    case IA32_PM_ENABLE: {
        if (!facts.hwp || (value & ~pm_enable::HwpEnable.mask()))
            return WriteOutcome::Faulted;
        // Set once, the enable stays until a reset.
        package.pmEnable |= value;
        return package.pmEnable == value ? WriteOutcome::Applied : WriteOutcome::Ignored;
    }
    default:
        // Read-only registers and registers this processor lacks.
        return WriteOutcome::Faulted;
    }
}

bool RegisterFile::poke(int cpu, uint32_t index, uint64_t value, int64_t nowNanoseconds)
{
    const CpuidFacts& facts = m_model.facts();
    CpuState& state = m_model.cpu(cpu);
    PackageState& package = m_model.packageOf(cpu);
    if (hasGeneralCounter(index, IA32_PMC0)) {
        m_model.integrateCpu(cpu);
        state.pmc[index - IA32_PMC0].set(value, facts.generalWidth);
        return true;
    }
    switch (index) {
    case MSR_PKG_ENERGY_STATUS:
        if (m_model.profile().family != Family::SandyBridge)
            return false;
        m_model.integratePackage(m_model.topology().cpu(cpu).package);
        package.energyUnits = double(pkg_energy_status::TotalEnergyConsumed.get(value));
        return true;
    case IA32_MISC_ENABLE: package.miscEnable = value; return true;
    case MSR_TURBO_POWER_CURRENT_LIMIT: package.turboPowerCurrentLimit = value; return true;
    case MSR_TURBO_RATIO_LIMIT: package.turboRatioLimit = value; return true;
    case MSR_PP0_CURRENT_CONFIG: package.pp0CurrentConfig = value; return true;
    case MSR_PKG_POWER_LIMIT: package.pkgPowerLimit = value; return true;
    case IA32_PM_ENABLE:
        if (!facts.hwp)
            return false;
        package.pmEnable = value;
        return true;
    default: return write(cpu, index, value, nowNanoseconds) != WriteOutcome::Faulted;
    }
}

} // namespace sim
