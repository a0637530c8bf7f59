#include "turbo/ProcessorSwitches.h"

#include "hw/MsrIndex.h"

namespace turbo {

namespace misc = msr::misc_enable;

namespace {

uint64_t flag(SwitchState state) { return state == SwitchState::On ? 1 : 0; }

constexpr msr::Field kCore2CStateBits[] = {misc::Core2CStateBit25, misc::Core2CStateBit26,
                                            misc::Core2CStateBit31, misc::Core2CStateBit32};

} // namespace

ProcessorSwitches::ProcessorSwitches(hw::HardwareAccess& access, ProcessorClass processorClass)
    : m_access(access), m_class(processorClass)
{
}

void ProcessorSwitches::modifyOnEveryCpu(uint32_t index, const std::function<uint64_t(uint64_t)>& change)
{
    // A CPU that refuses the pinning is left alone, never written in another
    // CPU's name. The callers go back to the system mask.
    m_access.refreshMasks();
    m_access.modifyEach(m_access.systemMask(), 0, kLastCpu, index, change);
}

ProcessorSwitches::MiscEnableState ProcessorSwitches::readMiscEnable()
{
    uint64_t value = m_access.read(msr::IA32_MISC_ENABLE);
    return {switchState(misc::TurboDisengage.test(value)), switchState(misc::EnhancedSpeedStep.test(value)),
            misc::SpeedStepLock.test(value)};
}

SwitchState ProcessorSwitches::setTurboDisable(SwitchState state)
{
    modifyOnEveryCpu(msr::IA32_MISC_ENABLE,
                     [&](uint64_t value) { return misc::TurboDisengage.set(value, flag(state)); });
    m_access.unpin();
    return readMiscEnable().turboDisable;
}

ProcessorSwitches::EistResult ProcessorSwitches::setEist(SwitchState state)
{
    EistResult result;
    if (m_access.pinAnyCpu() < 0)
        return result; // no CPU to read the lock on: nothing is written
    MiscEnableState now = readMiscEnable();
    if (now.eistLocked) {
        m_access.unpin();
        result.locked = true;
        result.state = now.eist;
        return result;
    }
    result.state = writeEist(state);
    return result;
}

SwitchState ProcessorSwitches::writeEist(SwitchState state)
{
    modifyOnEveryCpu(msr::IA32_MISC_ENABLE,
                     [&](uint64_t value) { return misc::EnhancedSpeedStep.set(value, flag(state)); });
    SwitchState readBack = readMiscEnable().eist;
    m_access.unpin();
    return readBack;
}

SwitchState ProcessorSwitches::readCStates()
{
    if (m_class == ProcessorClass::Nehalem)
        return switchState(msr::power_ctl::C1eEnable.test(m_access.read(msr::MSR_POWER_CTL)));
    uint64_t value = m_access.read(msr::IA32_MISC_ENABLE);
    for (msr::Field bit : kCore2CStateBits) {
        if (!bit.test(value))
            return SwitchState::Off;
    }
    return SwitchState::On;
}

void ProcessorSwitches::writeCStates(SwitchState state)
{
    if (m_class == ProcessorClass::Nehalem) {
        modifyOnEveryCpu(msr::MSR_POWER_CTL,
                         [&](uint64_t value) { return msr::power_ctl::C1eEnable.set(value, flag(state)); });
    } else {
        modifyOnEveryCpu(msr::IA32_MISC_ENABLE, [&](uint64_t value) {
            for (msr::Field bit : kCore2CStateBits)
                value = bit.set(value, flag(state));
            return value;
        });
    }
    m_access.unpin();
}

} // namespace turbo
