#include "monitor/settings/SettingsKeys.h"

#include "monitor/settings/SettingsRules.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace monitor {

namespace {

using S = MonitorSettings;
using enum KeyFormat;
using enum KeySlots;
using enum KeyWhen;
using enum KeyReader;

// --- defaults that depend on something else ----------------------------------

int detectedTjMax(const KeyContext& c) { return c.processor.tjMax[static_cast<size_t>(c.slot)]; }

int cpuAlarmDefault(const KeyContext& c) { return alarm1Default(c.layout, c.record.Fahrenheit); }

int gpuAlarmDefault(const KeyContext& c) { return alarm2Default(c.layout, c.record.Fahrenheit, c.record.gpuPresent); }

int tdpTdcNow(const KeyContext& c) { return static_cast<int>(c.turbo.tdpTdcNow); }

// --- what a value read becomes ---------------------------------------------------

// Out of range: the default.
template <int Lowest, int Highest>
int within(int value, int fallback, const KeyContext&)
{
    return (value < Lowest || value > Highest) ? fallback : value;
}

// Out of range: the nearer end.
template <int Lowest, int Highest>
int clamped(int value, int, const KeyContext&)
{
    return std::clamp(value, Lowest, Highest);
}

int quality(int value, int, const KeyContext&) { return normaliseQuality(value); }

int dayDivisor(int seconds, int fallback, const KeyContext&)
{
    return (seconds < 1 || seconds > SecondsPerDay || SecondsPerDay % seconds != 0) ? fallback : seconds;
}

// The information views the processor has: 0..2 with sandyBridgeClass, only 0
// on other nehalemClass processors, 0..1 otherwise.
int infoView(int index, int fallback, const KeyContext& c)
{
    int highest = 1;
    if (c.processor.sandyBridgeClass)
        highest = 2;
    else if (c.processor.nehalemClass)
        highest = 0;
    return (index < 0 || index > highest) ? fallback : index;
}

int cpuAlarm(int value, int, const KeyContext& c)
{
    return std::min(value, alarm1Limit(c.layout, c.record.Fahrenheit));
}

// Without a GPU sensor the key is not taken.
int gpuAlarm(int value, int fallback, const KeyContext& c)
{
    return std::min(c.record.gpuPresent ? value : fallback, alarm2Limit(c.layout, c.record.Fahrenheit));
}

// Without a GPU sensor the GPU icon is not shown.
int shownIcons(int mask, int, const KeyContext& c)
{
    return c.record.gpuPresent ? mask : mask & ~(1 << c.layout.gpuShowBit);
}

// --- the table -------------------------------------------------------------------

// The digit colours of the core icons and of the GPU icon after them.
constexpr std::string_view IconColours = "IconTextColor";

// In the order start-up reads them: the font keys when the record is made,
// MSRMulti .. GPU (the keys identification and the GPU sensors need), the
// ATI sensor's keys, the display keys, the calibration keys, the rest, then
// the turbo limit keys and the keys written for reference only. A key's place
// in the writers' order is its saveAll / saveOnExit / saveFont number; the
// per-core keys of consecutive places are written core by core.
constexpr SettingsKey Keys[] = {
    {.name = "lfHeight", .field = &S::lfHeight, .reader = Fonts, .saveFont = 1},
    {.name = "lfWidth", .field = &S::lfWidth, .reader = Fonts, .saveFont = 2},
    {.name = "lfWeight", .field = &S::lfWeight, .reader = Fonts, .saveFont = 3},
    {.name = "lfItalic", .field = &S::lfItalic, .reader = Fonts, .saveFont = 4},
    {.name = "lfCharSet", .field = &S::lfCharSet, .reader = Fonts, .saveFont = 5},
    {.name = "lfPitchAndFamily", .field = &S::lfPitchAndFamily, .reader = Fonts, .saveFont = 6},
    {.name = "lfFaceName", .field = &S::lfFaceName, .format = Text, .reader = Fonts, .saveFont = 7},
    {.name = "Quality", .field = &S::Quality, .reader = Fonts, .rule = quality, .saveAll = 35},
    {.name = "FontNumber", .field = &S::FontNumber, .when = FontChoiceKeys, .reader = Fonts,
     .rule = within<0, 3>, .saveAll = 36},
    {.name = "Bold", .field = &S::Bold, .format = Flag, .when = FontChoiceKeys, .reader = Fonts, .saveAll = 37},

    {.name = "MSRMulti", .field = &S::MSRMulti, .reader = AllAndStartup},
    {.name = "RivaFile", .field = &S::RivaFile, .format = Text, .saveAll = 2},
    {.name = "LogFileName", .field = &S::LogFileName, .format = Text, .when = LogFileNameKey, .saveOnExit = 7},
    {.name = "KillMHz", .field = &S::KillMHz, .when = KillMhzKey, .reader = AllAndStartup},
    {.name = "Skull", .field = &S::Skull, .when = SkullKey, .reader = AllAndStartup},
    {.name = "GPU", .field = &S::GPU, .reader = AllAndStartup, .saveAll = 39},
    {.name = "PollInterval", .field = &S::PollInterval, .when = AtiSensor, .rule = within<1, 3600>},
    {.name = "DisableSensor", .field = &S::DisableSensor, .when = AtiSensor},

    {.name = "Fahrenheit", .field = &S::Fahrenheit, .format = Flag, .saveAll = 40},
    {.name = "ThreeDigit", .field = &S::ThreeDigit, .format = Flag, .saveAll = 38},
    {.name = "IconMax", .field = &S::IconMax, .format = Flag, .saveAll = 21},
    {.name = "CoreMax", .field = &S::CoreMax, .format = Colour, .saveAll = 20},
    {.name = "VIDInfo", .field = &S::VIDInfo, .when = VidInfoKey, .saveAll = 41},
    {.name = "InfoWindowIndex", .field = &S::InfoWindowIndex, .when = InfoWindowIndexKey, .rule = infoView,
     .saveOnExit = 6},
    {.name = "DegreeSymbolString", .field = &S::DegreeSymbolString, .format = Text,
     .textLimit = DegreeSymbolLength},

    {.name = "TjMax", .field = &S::TjMax, .slots = PerCore, .contextDefault = detectedTjMax,
     .rule = within<LowestTjMax, HighestTjMax>, .saveAll = 5},
    {.name = "Idle", .field = &S::Idle, .format = Tenths, .slots = PerCore, .saveAll = 4,
     .windowDefault = true},

    {.name = "LogInterval", .field = &S::LogInterval, .rule = dayDivisor, .saveAll = 13, .windowDefault = true},
    {.name = "LogFile", .field = &S::LogFile, .saveAll = 12, .windowDefault = true},
    {.name = "TrayInfo", .field = &S::TrayInfo, .saveAll = 11, .windowDefault = true},
    {.name = "MinimizeOnClose", .field = &S::MinimizeOnClose, .format = Flag, .saveAll = 19, .windowDefault = true},
    {.name = "Alarm", .field = &S::Alarm, .saveAll = 14, .windowDefault = true},
    {.name = "Alarm1", .field = &S::Alarm1, .contextDefault = cpuAlarmDefault, .rule = cpuAlarm, .saveAll = 15},
    {.name = "Alarm2", .field = &S::Alarm2, .contextDefault = gpuAlarmDefault, .rule = gpuAlarm, .saveAll = 16},
    {.name = "HDWrite", .field = &S::HDWrite, .rule = clamped<1, SecondsPerDay>},
    {.name = "RefreshInterval", .field = &S::RefreshInterval, .when = RefreshIntervalKey, .rule = within<100, 20000>},
    {.name = "TMLoad", .field = &S::TMLoad, .format = Flag, .saveAll = 31, .windowDefault = true},
    {.name = IconColours, .field = &S::IconTextColor, .format = Colour, .slots = PerCore, .saveAll = 3},
    {.name = IconColours, .field = &S::IconTextColor, .format = Colour, .slots = GpuIcon, .saveAll = 6},
    {.name = "ClockMod", .field = &S::ClockMod, .rule = within<1, 30>, .saveAll = 22, .saveOnExit = 5},
    {.name = "OldFormula", .field = &S::OldFormula, .when = OldFormulaKey},
    {.name = "WindowXY", .field = &S::WindowXY, .saveOnExit = 1},
    {.name = "AnchorXY", .field = &S::AnchorXY, .saveOnExit = 2},
    {.name = "MiniMode", .field = &S::MiniMode, .format = Flag, .saveOnExit = 3},
    {.name = "TaskBar", .field = &S::TaskBar, .saveAll = 9, .windowDefault = true},
    {.name = "StartMinimized", .field = &S::StartMinimized, .saveAll = 8, .windowDefault = true},
    {.name = "CSV", .field = &S::CSV, .saveAll = 17, .windowDefault = true},
    {.name = "OnTop", .field = &S::OnTop, .saveAll = 10, .windowDefault = true},
    {.name = "AlarmFile", .field = &S::AlarmFile, .format = Text, .saveAll = 18, .windowDefault = true},
    {.name = "GUIColor", .field = &S::GUIColor, .format = Colour, .saveAll = 23},
    {.name = "GUIMiniColor", .field = &S::GUIMiniColor, .format = Colour, .saveAll = 24},
    {.name = "GUIText", .field = &S::GUIText, .format = Colour, .saveAll = 25},
    {.name = "GUIMiniText", .field = &S::GUIMiniText, .format = Colour, .saveAll = 26},
    {.name = "GUINormHead", .field = &S::GUINormHead, .format = Colour, .saveAll = 27},
    {.name = "GUIMiniHead", .field = &S::GUIMiniHead, .format = Colour, .saveAll = 28},
    {.name = "CustomGUI", .field = &S::CustomGUI, .saveAll = 32, .windowDefault = true},
    {.name = "CustomGUIMini", .field = &S::CustomGUIMini, .saveAll = 33, .windowDefault = true},
    {.name = "NormHeading", .field = &S::NormHeading, .saveAll = 29, .windowDefault = true},
    {.name = "MiniHeading", .field = &S::MiniHeading, .saveAll = 30, .windowDefault = true},
    {.name = "IconShow", .field = &S::IconShow, .rule = shownIcons, .saveAll = 7, .saveOnExit = 4},
    {.name = "IconCores", .field = &S::IconCores, .format = Register, .when = CoreIconsKey, .saveAll = 42,
     .saveOnExit = 8},

    {.name = "TDPTDC", .field = &S::TDPTDC, .format = Register, .section = KeySection::TurboLimits,
     .when = TdpLimits, .reader = TurboLimits, .contextDefault = tdpTdcNow},
    {.name = "OneADEAX", .field = &S::OneADEAX, .format = Register, .section = KeySection::TurboLimits,
     .when = RatioLimits, .reader = TurboLimits},
    {.name = "OneADEDX", .field = &S::OneADEDX, .format = Register, .section = KeySection::TurboLimits,
     .when = RatioLimits, .reader = TurboLimits},

    {.name = "Spec", .field = &S::Spec, .format = Text, .reader = Nobody, .saveAll = 1},
    {.name = "CPUID", .field = &S::CPUID, .format = Register, .reader = Nobody, .saveAll = 34},
};

// Each writer's places run from 1 without a gap or a place taken twice.
constexpr bool densePlaces(int SettingsKey::*place)
{
    int highest = 0;
    int count = 0;
    for (const SettingsKey& key : Keys) {
        if (key.*place == 0)
            continue;
        highest = std::max(highest, key.*place);
        ++count;
        for (const SettingsKey& other : Keys)
            if (&other != &key && other.*place == key.*place)
                return false;
    }
    return highest == count;
}
// A key's format suits its field, and only numbered keys fill arrays.
constexpr bool fieldsFit()
{
    using Numbers = hw::SlotArray<int> S::*;
    using Colours = std::array<monitor::Colour, hw::MaxCoreSlots + 1> S::*;
    for (const SettingsKey& key : Keys) {
        const KeyField& f = key.field;
        const bool numbered = std::holds_alternative<Numbers>(f) || std::holds_alternative<Colours>(f);
        if (numbered != (key.slots != One))
            return false;
        bool fits = false;
        switch (key.format) {
        case Number:
        case Tenths: fits = std::holds_alternative<int S::*>(f) || std::holds_alternative<Numbers>(f); break;
        case Flag: fits = std::holds_alternative<bool S::*>(f); break;
        case Colour:
        case Register:
            fits = std::holds_alternative<uint32_t S::*>(f) || std::holds_alternative<uint64_t S::*>(f)
                || std::holds_alternative<Colours>(f);
            break;
        case Text: fits = std::holds_alternative<std::string S::*>(f); break;
        }
        if (!fits)
            return false;
    }
    return true;
}
static_assert(fieldsFit());
static_assert(densePlaces(&SettingsKey::saveAll));
static_assert(densePlaces(&SettingsKey::saveOnExit));
static_assert(densePlaces(&SettingsKey::saveFont));

} // namespace

std::span<const SettingsKey> settingsKeys() { return Keys; }

const SettingsKey& settingsKeyOf(const KeyField& field)
{
    for (const SettingsKey& key : Keys)
        if (key.field == field)
            return key;
    std::abort(); // a field without a key: the table is incomplete
}

} // namespace monitor
