#include "monitor/controls/FeatureSwitches.h"

#include "common/SwitchRegisters.h"
#include "registers/MsrIndex.h"

namespace monitor {

namespace misc = msr::misc_enable;

namespace {

constexpr common::SwitchBits NehalemC1e(msr::MSR_POWER_CTL, msr::power_ctl::C1eEnable);
constexpr common::SwitchBits Core2C1e(msr::IA32_MISC_ENABLE, misc::EnhancedHalt);
constexpr common::SwitchBits Eist =
    common::SwitchBits(msr::IA32_MISC_ENABLE, misc::EnhancedSpeedStep).lockedBy(misc::SpeedStepLock);
constexpr common::SwitchBits TurboDisable(msr::IA32_MISC_ENABLE, misc::TurboDisengage);
constexpr common::SwitchBits PerfCtlTurboDisengage(msr::IA32_PERF_CTL, msr::perf_ctl::TurboDisengage);

} // namespace

FeatureReadout ReadFeatureSwitches(hw::HardwareAccess& access, const hw::ProcessorInfo& info)
{
    const uint64_t misc = access.read(msr::IA32_MISC_ENABLE);
    FeatureReadout readout;
    readout.eist = hw::switchState(misc::EnhancedSpeedStep.test(misc));
    readout.eistLocked = misc::SpeedStepLock.test(misc);
    readout.turboDisabled = hw::switchState(misc::TurboDisengage.test(misc));
    readout.c1e = info.nehalemClass
                      ? hw::switchState(msr::power_ctl::C1eEnable.test(access.read(msr::MSR_POWER_CTL)))
                      : hw::switchState(misc::EnhancedHalt.test(misc));
    return readout;
}

void SetC1E(hw::HardwareAccess& access, const hw::ProcessorInfo& info, SwitchState state)
{
    common::switchOnEachCpu(access, access.processCpus(), info.nehalemClass ? NehalemC1e : Core2C1e, state);
    access.unpin();
}

EistResult SetEist(hw::HardwareAccess& access, SwitchState state)
{
    common::switchOnEachCpu(access, access.processCpus(), Eist, state);
    access.unpin();
    const uint64_t readBack = access.read(msr::IA32_MISC_ENABLE);
    return {hw::switchState(misc::EnhancedSpeedStep.test(readBack)), misc::SpeedStepLock.test(readBack)};
}

SwitchState SetTurboDisabled(hw::HardwareAccess& access, SwitchState state)
{
    access.processCpus().forEach([&](int cpu) {
        if (!access.pin(cpu))
            return;
        if (common::switchOnThisCpu(access, TurboDisable, state) == common::SwitchWrite::Unreadable)
            return;
        if (!hw::isOn(state))
            common::switchOnThisCpu(access, PerfCtlTurboDisengage, SwitchState::Off);
    });
    access.unpin();
    return hw::switchState(misc::TurboDisengage.test(access.read(msr::IA32_MISC_ENABLE)));
}

} // namespace monitor
