#include "turbo/ProcessorSwitches.h"

#include "common/SwitchRegisters.h"
#include "registers/MsrIndex.h"

namespace turbo {

namespace misc = msr::misc_enable;

namespace {

constexpr msr::Field kCore2CStateBits[] = {misc::Core2CStateBit25, misc::Core2CStateBit26,
                                            misc::Core2CStateBit31, misc::Core2CStateBit32};

constexpr common::SwitchBits kTurboDisable(msr::IA32_MISC_ENABLE, misc::TurboDisengage);
constexpr common::SwitchBits kEist(msr::IA32_MISC_ENABLE, misc::EnhancedSpeedStep);
constexpr common::SwitchBits kNehalemC1e(msr::MSR_POWER_CTL, msr::power_ctl::C1eEnable);
constexpr common::SwitchBits kCore2CStates(msr::IA32_MISC_ENABLE, kCore2CStateBits);

} // namespace

ProcessorSwitches::ProcessorSwitches(hw::HardwareAccess& access, ProcessorClass processorClass)
    : m_access(access), m_class(processorClass)
{
}

void ProcessorSwitches::switchOnEveryCpu(const common::SwitchBits& bits, SwitchState state)
{
    // A CPU that refuses the pinning is left alone, never written in another
    // CPU's name. The callers go back to the system set.
    m_access.refreshMasks();
    common::switchOnEachCpu(m_access, m_access.systemCpus(), bits, state);
}

ProcessorSwitches::MiscEnableState ProcessorSwitches::readMiscEnable()
{
    uint64_t value = m_access.read(msr::IA32_MISC_ENABLE);
    return {switchState(misc::TurboDisengage.test(value)), switchState(misc::EnhancedSpeedStep.test(value)),
            misc::SpeedStepLock.test(value)};
}

SwitchState ProcessorSwitches::setTurboDisable(SwitchState state)
{
    switchOnEveryCpu(kTurboDisable, state);
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
    switchOnEveryCpu(kEist, state);
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
    switchOnEveryCpu(m_class == ProcessorClass::Nehalem ? kNehalemC1e : kCore2CStates, state);
    m_access.unpin();
}

} // namespace turbo
