#include "monitor/controls/TurboLimitRegisters.h"

#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"

namespace monitor {

TurboLimitRegisters::TurboLimitRegisters(hw::HardwareAccess& access) : m_access(access)
{
    const uint64_t platformInfo = m_access.read(msr::MSR_PLATFORM_INFO);
    m_baseRatio = int(msr::platform_info::MaxNonTurboRatio.get(platformInfo));
    m_ratiosProgrammable = msr::platform_info::ProgrammableRatioLimit.test(platformInfo);
    m_powerProgrammable = msr::platform_info::ProgrammableTdpLimit.test(platformInfo);
}

TurboLimitValues TurboLimitRegisters::read()
{
    return decodeTurboLimits(m_access.read(msr::MSR_TURBO_POWER_CURRENT_LIMIT),
                             m_access.read(msr::MSR_TURBO_RATIO_LIMIT));
}

void TurboLimitRegisters::write(const TurboLimitValues& values)
{
    if (m_powerProgrammable) {
        const uint64_t old = m_access.read(msr::MSR_TURBO_POWER_CURRENT_LIMIT);
        m_access.write(msr::MSR_TURBO_POWER_CURRENT_LIMIT,
                       encodePowerCurrentLimit(values.tdpWatts, values.tdcAmps, old));
    }
    if (m_ratiosProgrammable) {
        const uint64_t old = m_access.read(msr::MSR_TURBO_RATIO_LIMIT);
        m_access.write(msr::MSR_TURBO_RATIO_LIMIT, encodeRatioLimit(values.ratios, old));
    }
}

} // namespace monitor
