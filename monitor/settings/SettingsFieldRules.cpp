#include "monitor/settings/SettingsFieldRules.h"

#include "hw/MsrIndex.h"
#include "monitor/settings/SettingsRules.h"
#include "platform/CFormat.h"

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

// The leading decimal number of a text, as strtod reads it in the C locale.
double leadingNumber(std::string_view text)
{
    size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t'))
        ++start;
    text.remove_prefix(start);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                              std::chars_format::fixed);
    if (error == std::errc::result_out_of_range) {
        // More digits than a double holds: far beyond any field's range when
        // a digit before the point is not 0, else too near 0 to differ from it.
        const bool negative = text.front() == '-';
        const std::string_view number = text.substr(0, static_cast<size_t>(end - text.data()));
        const std::string_view whole = number.substr(negative ? 1 : 0, number.find('.') - (negative ? 1 : 0));
        if (whole.find_first_not_of('0') == std::string_view::npos)
            return 0.0;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    return error == std::errc() ? value : 0.0;
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
