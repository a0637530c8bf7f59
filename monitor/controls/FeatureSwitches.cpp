#include "monitor/controls/FeatureSwitches.h"

#include "hw/MsrIndex.h"

namespace monitor {

namespace misc = msr::misc_enable;

namespace {

uint64_t flag(SwitchState state) { return hw::isOn(state) ? 1 : 0; }

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
    if (info.nehalemClass) {
        access.modifyEach(access.processMask(), 0, C1eLastCpu, msr::MSR_POWER_CTL,
                          [&](uint64_t value) { return msr::power_ctl::C1eEnable.set(value, flag(state)); });
    } else {
        access.modifyEach(access.processMask(), 0, C1eLastCpu, msr::IA32_MISC_ENABLE,
                          [&](uint64_t value) { return misc::EnhancedHalt.set(value, flag(state)); });
    }
    access.unpin();
}

EistResult SetEist(hw::HardwareAccess& access, SwitchState state)
{
    const uint32_t mask = access.processMask();
    for (int cpu = 0; cpu <= EistLastCpu; ++cpu) {
        if (!((mask >> cpu) & 1u) || !access.pin(cpu))
            continue;
        uint64_t value = 0;
        if (access.read(msr::IA32_MISC_ENABLE, value) && !misc::SpeedStepLock.test(value))
            access.write(msr::IA32_MISC_ENABLE, misc::EnhancedSpeedStep.set(value, flag(state)));
    }
    access.unpin();
    const uint64_t readBack = access.read(msr::IA32_MISC_ENABLE);
    return {hw::switchState(misc::EnhancedSpeedStep.test(readBack)), misc::SpeedStepLock.test(readBack)};
}

SwitchState SetTurboDisabled(hw::HardwareAccess& access, SwitchState state)
{
    const uint32_t mask = access.processMask();
    for (int cpu = 0; cpu <= TurboLastCpu; ++cpu) {
        if (!((mask >> cpu) & 1u) || !access.pin(cpu))
            continue;
        uint64_t value = 0;
        if (!access.read(msr::IA32_MISC_ENABLE, value))
            continue;
        access.write(msr::IA32_MISC_ENABLE, misc::TurboDisengage.set(value, flag(state)));
        if (!hw::isOn(state) && access.read(msr::IA32_PERF_CTL, value))
            access.write(msr::IA32_PERF_CTL, msr::perf_ctl::TurboDisengage.set(value, 0));
    }
    access.unpin();
    return hw::switchState(misc::TurboDisengage.test(access.read(msr::IA32_MISC_ENABLE)));
}

} // namespace monitor
