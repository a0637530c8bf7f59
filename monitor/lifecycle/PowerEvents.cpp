#include "monitor/lifecycle/PowerEvents.h"

#include "registers/MsrIndex.h"

namespace monitor {

PowerEvents::PowerEvents(hw::HardwareAccess& access, const hw::ProcessorInfo& info,
                         std::function<void()> recalibrate)
    : m_access(access), m_info(info), m_recalibrate(std::move(recalibrate))
{
}

void PowerEvents::suspending()
{
    if (!m_info.nehalemClass)
        return;
    // Read on whichever processor the thread runs on: both registers are
    // package-wide.
    const uint64_t platformInfo = m_access.read(msr::MSR_PLATFORM_INFO);
    if (msr::platform_info::ProgrammableRatioLimit.test(platformInfo))
        m_ratioLimit = m_access.read(msr::MSR_TURBO_RATIO_LIMIT);
    if (m_info.turboCurrentLimit && msr::platform_info::ProgrammableTdpLimit.test(platformInfo))
        m_powerCurrentLimit = m_access.read(msr::MSR_TURBO_POWER_CURRENT_LIMIT);
}

void PowerEvents::resumed()
{
    if (!m_info.nehalemClass) {
        if (m_recalibrate)
            m_recalibrate();
        return;
    }
    const uint64_t platformInfo = m_access.read(msr::MSR_PLATFORM_INFO);
    if (msr::platform_info::ProgrammableRatioLimit.test(platformInfo))
        restore(msr::MSR_TURBO_RATIO_LIMIT, m_ratioLimit);
    if (m_info.turboCurrentLimit && msr::platform_info::ProgrammableTdpLimit.test(platformInfo))
        restore(msr::MSR_TURBO_POWER_CURRENT_LIMIT, m_powerCurrentLimit);
}

void PowerEvents::restore(uint32_t index, uint64_t value)
{
    // Nothing saved (no suspend seen, or a register that read as 0).
    if (value == 0)
        return;
    // The same processors the start-up writes them to: every one.
    m_access.forEachCpu([&](int) { m_access.write(index, value); });
}

} // namespace monitor
