#pragma once
// The monitor's processor feature switches, as the settings window uses them:
// C1E, Enhanced SpeedStep and turbo disable act on every logical CPU of their
// list at once and (SpeedStep and turbo) report the state read back. Clock
// modulation is written by WriteClockModulation (monitor/ClockModulation.h).
//
// Every logical CPU of the process set read at start-up is written: a switch
// that stopped at a fixed CPU number would leave the rest of a larger
// processor as it was. A CPU that refuses the pinning is skipped. The
// user-interface thread does all of it and ends on the system set.

#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"
#include "hw/SwitchState.h"

namespace monitor {

using hw::SwitchState;

// The switches as the CPU the thread runs on reports them.
struct FeatureReadout {
    SwitchState eist = SwitchState::Off;
    bool eistLocked = false; // the firmware locked SpeedStep; it is never written
    SwitchState turboDisabled = SwitchState::Off;
    SwitchState c1e = SwitchState::Off;
};

FeatureReadout ReadFeatureSwitches(hw::HardwareAccess& access, const hw::ProcessorInfo& info);

// C1E: MSR_POWER_CTL bit 1 on Nehalem-class processors, IA32_MISC_ENABLE
// bit 25 on earlier ones. There is no read-back.
void SetC1E(hw::HardwareAccess& access, const hw::ProcessorInfo& info, SwitchState state);

// SpeedStep (IA32_MISC_ENABLE bit 16) on every listed CPU whose lock (bit 20)
// is clear; the result is read on the system mask afterwards.
struct EistResult {
    SwitchState state = SwitchState::Off;
    bool locked = false;
};
EistResult SetEist(hw::HardwareAccess& access, SwitchState state);

// Turbo disable (IA32_MISC_ENABLE bit 38). Switching turbo back on also
// clears the turbo disengage request of IA32_PERF_CTL (bit 32), which would
// otherwise keep it off. Returns bit 38 read back on the system mask.
SwitchState SetTurboDisabled(hw::HardwareAccess& access, SwitchState state);

} // namespace monitor
