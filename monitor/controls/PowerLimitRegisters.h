#pragma once
// The package power and current limit registers of a Sandy Bridge processor
// as the Power Limits window uses them. The power unit is read once. Both
// registers are package-wide and are accessed on whatever CPU the calling
// thread runs on; a register whose lock bit is set is never written (it
// stays read-only until the processor is reset).

#include "monitor/controls/PowerLimitValues.h"

namespace hw {
class HardwareAccess;
}

namespace monitor {

class PowerLimitRegisters {
public:
    explicit PowerLimitRegisters(hw::HardwareAccess& access);

    int powerUnit() const { return m_powerUnit; }
    int limitMax() const { return m_limitMax; }

    PowerLimitValues read();
    // Writes MSR_PKG_POWER_LIMIT unless it is locked, then
    // MSR_PP0_CURRENT_CONFIG unless that is locked.
    void write(const PowerLimitValues& values);

private:
    hw::HardwareAccess& m_access;
    int m_powerUnit = 1;
    int m_limitMax = 0;
};

} // namespace monitor
