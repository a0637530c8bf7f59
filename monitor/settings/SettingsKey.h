#pragma once
// One key of the monitor's settings file as the key table describes it
// (SettingsKeys.h): its name and section, how its value is written, the field
// of MonitorSettings it fills, its default and the rule a value read follows,
// when it exists, and which reader and writers take it.

#include "monitor/settings/MonitorSettings.h"
#include "monitor/settings/ProcessorFacts.h"
#include "monitor/settings/SettingsLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace monitor {

enum class KeySection {
    Main,        // "Ostrel"
    TurboLimits, // the layout's turboSection
};

// The text of a value. Numbers, flags, colours and registers read as the
// profile functions read integers: decimal, or hexadecimal after "0x".
enum class KeyFormat {
    Number,   // "%d"
    Flag,     // "1" or "0"; any non-zero number reads as on
    Colour,   // "0x%06X"
    Register, // "0x%X"; "0x%llX" for a 64-bit mask
    Text,     // the text as it is
    Tenths,   // "%.1f" degrees, held in tenths of a degree
};

enum class KeySlots {
    One,     // the key is the name
    PerCore, // name + n for core slots n below layout.coreKeys; written for present cores only
    GpuIcon, // name + layout.gpuIcon; written only while a GPU sensor works
};

// When a key is read and written.
enum class KeyWhen {
    Always,
    LogFileNameKey, // the layout's flags of the same names
    KillMhzKey,
    SkullKey,
    RefreshIntervalKey,
    OldFormulaKey,
    FontChoiceKeys,
    CoreIconsKey,       // layouts with IconCores
    InfoWindowIndexKey, // layouts without the VIDInfo key
    VidInfoKey,         // layouts with it, on processors without nehalemClass
    AtiSensor,          // while the ATI sensor works
    RatioLimits,        // MSR_PLATFORM_INFO says the turbo ratio limits are programmable
    TdpLimits,          // MSR_PLATFORM_INFO says the TDP/TDC limits are programmable
};

enum class KeyReader {
    Fonts,          // LoadFonts
    All,            // LoadAll
    AllAndStartup,  // LoadAll, and LoadStartupKeys before it
    TurboLimits,    // the start-up's turbo limit step, before its register writes
    Nobody,         // written for reference only
};

// What MSR_PLATFORM_INFO and MSR_TURBO_POWER_CURRENT_LIMIT said, for the turbo
// limit keys.
struct TurboFacts {
    bool ratioLimits = false;
    bool tdpLimits = false;
    uint32_t tdpTdcNow = 0; // the register's low half: TDPTDC's default
};

// What a key's existence, default and rule may depend on.
struct KeyContext {
    const SettingsLayout& layout;
    const ProcessorFacts& processor;
    // The record being read or written: keys read before (Fahrenheit) and
    // the GPU sensors found.
    const MonitorSettings& record;
    TurboFacts turbo{};
    int slot = 0; // of a numbered key
};

// The record field a key fills; numbered keys fill an array by slot.
using KeyField = std::variant<int MonitorSettings::*, bool MonitorSettings::*, uint32_t MonitorSettings::*,
                              std::string MonitorSettings::*, hw::SlotArray<int> MonitorSettings::*,
                              std::array<Colour, hw::MaxCoreSlots + 1> MonitorSettings::*,
                              uint64_t MonitorSettings::*>;

struct SettingsKey {
    std::string_view name; // the whole name, or the stem of a numbered key
    KeyField field;
    KeyFormat format = KeyFormat::Number;
    KeySection section = KeySection::Main;
    KeySlots slots = KeySlots::One;
    KeyWhen when = KeyWhen::Always;
    KeyReader reader = KeyReader::All;
    // The value of a missing key where it depends on something else; none:
    // the field's value in a fresh MonitorSettings, which holds the defaults.
    int (*contextDefault)(const KeyContext&) = nullptr;
    // What a number read becomes, given the default; none: it stays.
    int (*rule)(int value, int fallback, const KeyContext&) = nullptr;
    // Text keys: the characters kept; 0 keeps all.
    size_t textLimit = 0;
    // Places in the writers' key order, from 1; 0: that writer leaves it out.
    int saveAll = 0;
    int saveOnExit = 0;
    int saveFont = 0;
    // The settings window's Defaults button shows its default.
    bool windowDefault = false;
};

} // namespace monitor
