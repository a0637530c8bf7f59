#pragma once
// On-demand clock modulation as the monitor sets it at start-up (the stored
// ClockMod value) and at shutdown (0, so the processor never stays throttled
// after the program ends).

#include "hw/HardwareAccess.h"

#include <cstdint>

namespace monitor {

// Writes IA32_CLOCK_MODULATION with low half `value` and high half 0 on every
// logical processor of the system set, then returns to the system set: a
// throttle meant for the processor reaches all of it, and so does its end.
void WriteClockModulation(hw::HardwareAccess& access, uint32_t value);

} // namespace monitor
