#pragma once
// The turbo monitor's three processor switches: turbo disable, Enhanced
// SpeedStep and C-states. Each writes IA32_MISC_ENABLE or MSR_POWER_CTL on
// every logical CPU of the system set that accepts the pinning and reports
// the state read back.

#include "hw/HardwareAccess.h"
#include "hw/SwitchState.h"

namespace common {
class SwitchBits;
}

namespace turbo {

using hw::SwitchState;
using hw::switchState;

class ProcessorSwitches {
public:
    enum class ProcessorClass { Core2, Nehalem };

    struct MiscEnableState {
        SwitchState turboDisable = SwitchState::Off; // bit 38
        SwitchState eist = SwitchState::Off;         // bit 16
        bool eistLocked = false;                     // bit 20
    };

    struct EistResult {
        bool locked = false;   // the firmware locked the setting; nothing was written
        SwitchState state = SwitchState::Off; // bit 16 as read back
    };

    ProcessorSwitches(hw::HardwareAccess& access, ProcessorClass processorClass);

    // IA32_MISC_ENABLE on the CPU the thread runs on now.
    MiscEnableState readMiscEnable();

    // Sets or clears bit 38 on every CPU; returns bit 38 read back afterwards.
    SwitchState setTurboDisable(SwitchState state);

    // Looks at the lock on CPU 0 (the lowest CPU that accepts the pinning)
    // first; unlocked, runs the writing step.
    EistResult setEist(SwitchState state);
    // Bit 16 on every CPU, then read back on the last one visited.
    SwitchState writeEist(SwitchState state);

    // The C-state setting of the current CPU (C1E on Nehalem; bits 25, 26, 31
    // and 32 of IA32_MISC_ENABLE together on Core 2).
    SwitchState readCStates();
    void writeCStates(SwitchState state);

private:
    // The switch's read-modify-write on every CPU of the system set.
    void switchOnEveryCpu(const common::SwitchBits& bits, SwitchState state);

    hw::HardwareAccess& m_access;
    ProcessorClass m_class;
};

} // namespace turbo
