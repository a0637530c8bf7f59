#pragma once
// The corrections the settings window makes to what the user typed or
// stepped, kept apart from the window so they are plain functions of their
// input. Out-of-range input is corrected silently.

#include "monitor/settings/SettingsLayout.h"

#include <string>
#include <string_view>

namespace monitor {

// An idle calibration field: the decimal number typed (C locale; text that is
// no number counts as 0), limited to -19.9 .. 9.9 and rounded to tenths away
// from zero.
int idleTenthsFromField(std::string_view text);

// A TjMax field: 70 to 120.
int limitTjMaxField(int value);

// A log interval field: at most 86400, at least 1, and otherwise the nearest
// divisor of 86400 (of two equally near, the larger).
int nearestDayDivisor(int seconds);

// The alarm fields, lowered to their build's limit for the unit shown.
int limitCpuAlarmField(int value, const SettingsLayout& layout, bool fahrenheit);
int limitGpuAlarmField(int value, const SettingsLayout& layout, bool fahrenheit);

// Clock modulation duty codes are even, 2 to 14 (12.5 % steps); the spin's
// up arrow (-1) raises the code by 2, the down arrow (+1) lowers it, each
// wrapping at the ends.
int stepDutyCode(int code, int delta);
// "%.1f %" of code / 2 x 12.5.
std::string dutyText(int code);
// The duty code of a clock modulation register image: its duty bits, or
// `whenZero` when they are 0.
int dutyCodeOf(uint32_t image, int whenZero);

// The icon font quality spin: the up arrow (-1) steps towards 3, the down
// arrow (+1) towards 0, nothing beyond the ends. Its texts by quality.
int stepQuality(int quality, int delta);
std::string qualityText(int quality);

// The six-core window's font number spin, 0 to 3, in the same directions.
int stepFontNumber(int number, int delta);

} // namespace monitor
