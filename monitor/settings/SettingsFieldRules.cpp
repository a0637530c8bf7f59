#include "monitor/settings/SettingsFieldRules.h"

#include "registers/MsrIndex.h"
#include "monitor/settings/SettingsRules.h"
#include "platform/CFormat.h"
#include "platform/IntegerText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace monitor {

namespace {

constexpr int LowestIdleTenths = -199;
constexpr int HighestIdleTenths = 99;
constexpr int LowestDutyCode = 2;
constexpr int HighestDutyCode = 14;

bool dividesDay(int seconds) { return seconds > 0 && SecondsPerDay % seconds == 0; }

// The leading decimal number of a text, as strtod reads it in the C locale:
// the blanks and the one sign of every number text, then digits with an
// optional point.
double leadingNumber(std::string_view text)
{
    const platform::SignedText number = platform::signedText(text);
    const std::string_view rest = number.rest;
    if (rest.starts_with('-'))
        return 0.0; // a second sign: no number ("+-5")
    double value = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value,
                                              std::chars_format::fixed);
    if (error == std::errc::result_out_of_range) {
        // More digits than a double holds: far beyond any field's range when
        // a digit before the point is not 0, else too near 0 to differ from it.
        const std::string_view digits = rest.substr(0, static_cast<size_t>(end - rest.data()));
        if (digits.substr(0, digits.find('.')).find_first_not_of('0') == std::string_view::npos)
            return 0.0;
        return number.negative ? -HUGE_VAL : HUGE_VAL;
    }
    if (error != std::errc())
        return 0.0;
    return number.negative ? -value : value;
}

} // namespace

int idleTenthsFromField(std::string_view text)
{
    const double degrees = leadingNumber(text);
    if (degrees < -19.9)
        return LowestIdleTenths;
    if (degrees > 9.9)
        return HighestIdleTenths;
    return static_cast<int>(degrees >= 0 ? degrees * 10 + 0.5 : degrees * 10 - 0.5);
}

int limitTjMaxField(int value) { return std::clamp(value, LowestTjMax, HighestTjMax); }

int nearestDayDivisor(int seconds)
{
    if (seconds > SecondsPerDay)
        return SecondsPerDay;
    if (seconds < 1)
        return 1;
    if (dividesDay(seconds))
        return seconds;
    int below = seconds - 1;
    while (!dividesDay(below))
        --below;
    int above = seconds + 1;
    while (!dividesDay(above))
        ++above;
    return seconds - below < above - seconds ? below : above;
}

int limitCpuAlarmField(int value, const SettingsLayout& layout, bool fahrenheit)
{
    return std::min(value, alarm1Limit(layout, fahrenheit));
}

int limitGpuAlarmField(int value, const SettingsLayout& layout, bool fahrenheit)
{
    return std::min(value, alarm2Limit(layout, fahrenheit));
}

int stepDutyCode(int code, int delta)
{
    if (delta < 0)
        return code >= HighestDutyCode ? LowestDutyCode : code + 2;
    if (delta > 0)
        return code <= LowestDutyCode ? HighestDutyCode : code - 2;
    return code;
}

std::string dutyText(int code) { return platform::cformat("%.1f %%", (code / 2) * 12.5); }

int dutyCodeOf(uint32_t image, int whenZero)
{
    const int code = static_cast<int>(image & msr::clock_modulation::DutyCycle.mask());
    return code == 0 ? whenZero : code;
}

int stepQuality(int quality, int delta)
{
    return std::clamp(quality - delta, 0, 3);
}

std::string qualityText(int quality)
{
    static constexpr std::array<const char*, 4> Names = {"No AA", "Anti-Alias", "Clear Type", "Natural"};
    return Names[static_cast<size_t>(std::clamp(quality, 0, 3))];
}

int stepFontNumber(int number, int delta) { return std::clamp(number - delta, 0, 3); }

} // namespace monitor
