#include "monitor/controls/PowerLimitRegisters.h"

#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"

namespace monitor {

PowerLimitRegisters::PowerLimitRegisters(hw::HardwareAccess& access) : m_access(access)
{
    m_powerUnit = powerUnitOf(m_access.read(msr::MSR_RAPL_POWER_UNIT));
    m_limitMax = limitMaxOf(m_powerUnit);
}

PowerLimitValues PowerLimitRegisters::read()
{
    return decodePowerLimits(m_access.read(msr::MSR_PKG_POWER_LIMIT), m_access.read(msr::MSR_PP0_CURRENT_CONFIG),
                             m_powerUnit);
}

void PowerLimitRegisters::write(const PowerLimitValues& values)
{
    const uint64_t power = m_access.read(msr::MSR_PKG_POWER_LIMIT);
    if (!msr::pkg_power_limit::Lock.test(power))
        m_access.write(msr::MSR_PKG_POWER_LIMIT, encodePackagePowerLimit(values, power, m_powerUnit));
    const uint64_t current = m_access.read(msr::MSR_PP0_CURRENT_CONFIG);
    if (!msr::pp0_current_config::Lock.test(current))
        m_access.write(msr::MSR_PP0_CURRENT_CONFIG, encodeCurrentConfig(values, current, m_powerUnit));
}

} // namespace monitor
