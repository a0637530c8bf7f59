#pragma once
// On-demand clock modulation as the monitor sets it at start-up (the stored
// ClockMod value) and at shutdown (0, so the processor never stays throttled
// after the program ends).

#include "hw/HardwareAccess.h"

#include <cstdint>

namespace monitor {

// Logical processors 0 .. ClockModulationLastCpu of the system mask are written.
constexpr int ClockModulationLastCpu = 7;

// Writes IA32_CLOCK_MODULATION with low half `value` and high half 0 on every
// logical processor 0 to 7 of the system mask, then returns to the system mask.
void WriteClockModulation(hw::HardwareAccess& access, uint32_t value);

} // namespace monitor
