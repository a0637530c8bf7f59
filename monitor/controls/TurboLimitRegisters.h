#pragma once
// The turbo limit registers of a Nehalem-class processor as the Turbo Boost
// Limits window uses them. MSR_PLATFORM_INFO, read once, tells the base ratio
// and which of the two registers may be programmed. Both registers are
// package-wide and are accessed on whatever CPU the calling thread runs on.

#include "monitor/controls/TurboLimitValues.h"

namespace hw {
class HardwareAccess;
}

namespace monitor {

class TurboLimitRegisters {
public:
    explicit TurboLimitRegisters(hw::HardwareAccess& access);

    int baseRatio() const { return m_baseRatio; }
    // MSR_TURBO_RATIO_LIMIT may be written (MSR_PLATFORM_INFO bit 28).
    bool ratiosProgrammable() const { return m_ratiosProgrammable; }
    // MSR_TURBO_POWER_CURRENT_LIMIT may be written (bit 29).
    bool powerProgrammable() const { return m_powerProgrammable; }

    TurboLimitValues read();
    // Writes each programmable register from the values, keeping the bits
    // the values do not cover as the register holds them now.
    void write(const TurboLimitValues& values);

private:
    hw::HardwareAccess& m_access;
    int m_baseRatio = 0;
    bool m_ratiosProgrammable = false;
    bool m_powerProgrammable = false;
};

} // namespace monitor
