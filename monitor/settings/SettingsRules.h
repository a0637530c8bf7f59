#pragma once
// The value rules of the settings keys that depend on more than the key (the
// alarms, the unit, the fonts and brushes) and the text formats of values.
// The rules of single keys are in the key table (SettingsKeys.cpp).

#include "monitor/settings/MonitorSettings.h"
#include "monitor/settings/ProcessorFacts.h"
#include "monitor/settings/SettingsLayout.h"

#include <string>
#include <string_view>

namespace monitor {

// Seconds in a day; log and disk intervals must divide it.
constexpr int SecondsPerDay = 86400;
// Longest DegreeSymbolString kept, in characters.
constexpr size_t DegreeSymbolLength = 11;
// Longest face name a LOGFONT holds, in characters.
constexpr size_t FaceNameLength = 31;
// Linux counts as Windows 7 wherever a Windows version decides something.
constexpr int WindowsMajorVersion = 6;
// The TjMax values a key or the settings window accepts, in °C.
constexpr int LowestTjMax = 70;
constexpr int HighestTjMax = 120;

// 0 to 3; above 3 becomes 3, below 0 becomes 0.
int normaliseQuality(int quality);
// killMhz after the key KillMHz: a set flag (mobile model) is cleared only by
// 29; a clear flag is set by any non-zero value.
bool killMhzAfterKey(bool killMhz, int killMhzKey);

// An idle calibration text in degrees as tenths of a degree: the number
// (C locale, leading blanks, optional sign, digits up to the first other
// character) times 100, truncated, then rounded to tenths away from zero.
// Results below -199 or above 99, and text without a number, give 0.
int idleTenthsFromText(std::string_view text);
// Tenths of a degree as "%.1f" degrees, independent of the C locale.
std::string idleText(int tenths);

// "0x%06X" and "0x%X".
std::string colourText(Colour colour);
std::string registerText(uint32_t value);
// A 64-bit mask as "0x%llX", and back: decimal, or hexadecimal after "0x";
// text without a number reads as 0.
std::string maskText(uint64_t mask);
uint64_t maskFromText(std::string_view text);
// "1" or "0".
std::string flagText(bool on);

// Default and upper limit of Alarm1.
int alarm1Default(const SettingsLayout& layout, bool fahrenheit);
int alarm1Limit(const SettingsLayout& layout, bool fahrenheit);
// Default of Alarm2: read when a GPU sensor works, else taken as is.
int alarm2Default(const SettingsLayout& layout, bool fahrenheit, bool gpuPresent);
// Upper limit of Alarm2.
int alarm2Limit(const SettingsLayout& layout, bool fahrenheit);

// The text after every temperature: "°C" or "°F", or DegreeSymbolString when
// it is not empty.
std::string unitTextFor(bool fahrenheit, std::string_view degreeSymbol);
// The first `count` characters (UTF-8 code points) of a text.
std::string firstCharacters(std::string_view text, size_t count);

// The icon font from the font keys: LOGFONT members from lfHeight ..
// lfFaceName, quality Quality + 3, everything else 0. In the six-core build
// FontNumber 1 to 3 replaces the face and Bold the weight.
FontDescription iconFontFrom(const MonitorSettings& settings);
// The fixed font of the temperature fields: height 24, weight 500,
// "Microsoft Sans Serif", pitch and family 32, quality by Windows version.
FontDescription mainFontFor(int windowsMajorVersion);

// The window brushes follow CustomGUI / CustomGUIMini and the fill colours.
void refreshBrushes(MonitorSettings& settings);
// Takes the font chosen in the font chooser: copies its height, width,
// weight, italic, character set, pitch and family and face name into the
// font keys, rebuilds iconFont and marks the icons for redrawing.
void adoptChosenFont(MonitorSettings& settings, const FontDescription& chosen);

} // namespace monitor
