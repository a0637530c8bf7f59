#include "monitor/settings/SettingsRules.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace monitor {

int normaliseQuality(int quality)
{
    if (quality < 0)
        return 0;
    return quality > 3 ? 3 : quality;
}

bool killMhzAfterKey(bool killMhz, int killMhzKey)
{
    if (killMhz)
        return killMhzKey != 29;
    return killMhzKey != 0;
}

int idleTenthsFromText(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i < text.size() && text[i] == '+') {
        ++i;
        if (i < text.size() && text[i] == '-')
            return 0; // "+-" is no number
    }
    double degrees = 0.0;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), degrees);
    (void)end;
    if (error != std::errc())
        return 0;
    const double scaled = degrees * 100.0;
    if (!std::isfinite(scaled) || std::fabs(scaled) > 1e9)
        return 0;
    const int hundredths = static_cast<int>(scaled); // truncates toward zero
    const int tenths = hundredths > 0 ? (hundredths + 5) / 10 : (hundredths - 5) / 10;
    return (tenths < -199 || tenths > 99) ? 0 : tenths;
}

std::string idleText(int tenths)
{
    const long long value = tenths;
    const long long magnitude = value < 0 ? -value : value;
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%lld", value < 0 ? "-" : "", magnitude / 10,
                  magnitude % 10);
    return text;
}

std::string colourText(Colour colour)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(colour));
    return text;
}

std::string registerText(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

std::string maskText(uint64_t mask)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(mask));
    return text;
}

uint64_t maskFromText(std::string_view text)
{
    const std::string digits(text);
    return std::strtoull(digits.c_str(), nullptr, 0);
}

std::string flagText(bool on) { return on ? "1" : "0"; }

namespace {

// Alarm temperatures in °C: the limits of the CPU and GPU alarms (the CPU
// limit is also the six-core build's GPU default without a GPU sensor), and
// the six-core build's default.
constexpr int CpuAlarmLimit = 100;
constexpr int GpuAlarmLimit = 105;
constexpr int SixCoreAlarmDefault = 90;

// A temperature given in °C, in the unit shown (100 °C is 212 °F). Limits
// kept in °C would put a °F alarm below the idle temperature.
int alarmInUnit(int celsius, bool fahrenheit) { return fahrenheit ? celsius * 9 / 5 + 32 : celsius; }

} // namespace

int alarm1Default(const SettingsLayout& layout, bool fahrenheit)
{
    if (layout.alarms == AlarmLimits::Fixed)
        return alarmInUnit(SixCoreAlarmDefault, fahrenheit);
    return alarm1Limit(layout, fahrenheit);
}

int alarm1Limit(const SettingsLayout&, bool fahrenheit) { return alarmInUnit(CpuAlarmLimit, fahrenheit); }

int alarm2Default(const SettingsLayout& layout, bool fahrenheit, bool gpuPresent)
{
    if (layout.alarms == AlarmLimits::Fixed)
        return alarmInUnit(gpuPresent ? SixCoreAlarmDefault : CpuAlarmLimit, fahrenheit);
    return alarm1Default(layout, fahrenheit);
}

int alarm2Limit(const SettingsLayout&, bool fahrenheit) { return alarmInUnit(GpuAlarmLimit, fahrenheit); }

std::string firstCharacters(std::string_view text, size_t count)
{
    size_t bytes = 0;
    size_t characters = 0;
    while (bytes < text.size()) {
        // Continuation bytes (10xxxxxx) belong to the character before them.
        if ((static_cast<unsigned char>(text[bytes]) & 0xC0) != 0x80) {
            if (characters == count)
                break;
            ++characters;
        }
        ++bytes;
    }
    return std::string(text.substr(0, bytes));
}

std::string unitTextFor(bool fahrenheit, std::string_view degreeSymbol)
{
    if (!degreeSymbol.empty())
        return std::string(degreeSymbol);
    return fahrenheit ? "\xC2\xB0" "F" : "\xC2\xB0" "C";
}

FontDescription iconFontFrom(const MonitorSettings& settings)
{
    constexpr int BoldWeight = 700;
    FontDescription font;
    font.lfHeight = settings.lfHeight;
    font.lfWidth = settings.lfWidth;
    font.lfWeight = settings.lfWeight;
    font.lfItalic = static_cast<uint8_t>(settings.lfItalic);
    font.lfCharSet = static_cast<uint8_t>(settings.lfCharSet);
    font.lfPitchAndFamily = static_cast<uint8_t>(settings.lfPitchAndFamily);
    font.lfQuality = static_cast<uint8_t>(normaliseQuality(settings.Quality) + 3);
    font.lfFaceName = firstCharacters(settings.lfFaceName, FaceNameLength);
    // The six-core build's font numbers 1 to 3 pick faces every Linux desktop
    // has; 0 keeps the face chosen with the Fonts button. Bold thickens either.
    static constexpr const char* NumberedFaces[] = {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif"};
    if (settings.FontNumber >= 1 && settings.FontNumber <= 3)
        font.lfFaceName = NumberedFaces[settings.FontNumber - 1];
    if (settings.Bold)
        font.lfWeight = BoldWeight;
    return font;
}

FontDescription mainFontFor(int windowsMajorVersion)
{
    FontDescription font;
    font.lfHeight = 24;
    font.lfWeight = 500;
    font.lfPitchAndFamily = 32;
    font.lfFaceName = "Microsoft Sans Serif";
    if (windowsMajorVersion <= 4)
        font.lfQuality = 4;
    else if (windowsMajorVersion == 5)
        font.lfQuality = 5;
    else
        font.lfQuality = 6;
    return font;
}

void refreshBrushes(MonitorSettings& settings)
{
    settings.normalBrush.reset();
    settings.miniBrush.reset();
    if (settings.CustomGUI != 0)
        settings.normalBrush = settings.GUIColor;
    if (settings.CustomGUIMini != 0)
        settings.miniBrush = settings.GUIMiniColor;
}

void adoptChosenFont(MonitorSettings& settings, const FontDescription& chosen)
{
    settings.lfHeight = chosen.lfHeight;
    settings.lfWidth = chosen.lfWidth;
    settings.lfWeight = chosen.lfWeight;
    settings.lfItalic = chosen.lfItalic;
    settings.lfCharSet = chosen.lfCharSet;
    settings.lfPitchAndFamily = chosen.lfPitchAndFamily;
    settings.lfFaceName = chosen.lfFaceName;
    settings.iconFont = iconFontFrom(settings);
    settings.iconsDirty = true;
}

} // namespace monitor
