#pragma once
// The turbo limits carried across runs: MSR_TURBO_RATIO_LIMIT as OneADEAX /
// OneADEDX and the low half of MSR_TURBO_POWER_CURRENT_LIMIT as TDPTDC, in
// section Pavolt (section Ostrel in the six-core build). Which of them apply
// follows MSR_PLATFORM_INFO: bit 28 for the ratio limits, bit 29 for TDP/TDC.

#include "monitor/settings/MonitorSettings.h"
#include "monitor/settings/SettingsLayout.h"
#include "monitor/settings/WriteResult.h"

#include <string>

namespace hw {
class HardwareAccess;
}

namespace monitor {

// After the Turbo Boost Limits window is confirmed: stores the registers as
// they read back now on the current logical CPU (both are package-wide), each
// only when MSR_PLATFORM_INFO says it is programmable. The record's fields
// follow the file only when it was written.
WriteResult SaveTurboLimits(MonitorSettings& settings, const std::string& iniPath,
                            hw::HardwareAccess& hardware,
                            const SettingsLayout& layout = FourCoreSettings);

// At start-up on nehalemClass processors: reads the keys of the programmable
// limits into the record and writes the stored ratio limits (when OneADEAX is
// not 0) and the TDP/TDC limits with both override bits to every logical CPU
// 0 to 7, then returns to the system mask. TDPTDC defaults to the register's
// current low half.
void ApplyStartupTurboLimits(MonitorSettings& settings, const std::string& iniPath,
                             hw::HardwareAccess& hardware,
                             const SettingsLayout& layout = FourCoreSettings);

} // namespace monitor
