#pragma once
// The monitor's settings record. Every field that belongs to a key of the
// settings file carries the key's name; keys numbered by core slot (TjMax0,
// Idle0, IconTextColor0 ...) are arrays indexed by that number. The defaults
// below are the values a missing key reads as, and the only place they are
// written down: the key table (SettingsKeys.h) takes them from a fresh record,
// apart from the defaults that depend on the build, the unit, the GPU sensors
// or the processor. Reading and writing the file lives in SettingsStore.h;
// this header stays a plain record.

#include "hw/BuildFlavour.h"
#include "hw/ProcessorInfo.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>

namespace monitor {

// A colour as the settings file keeps it: 0x00BBGGRR.
using Colour = uint32_t;

// A font as a description, turned into a real font only where something is
// drawn. The members are those of a Windows LOGFONT plus its quality byte.
struct FontDescription {
    int lfHeight = 0;
    int lfWidth = 0;
    int lfEscapement = 0;
    int lfOrientation = 0;
    int lfWeight = 0;
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0; // 3 non-antialiased, 4 antialiased, 5 ClearType, 6 ClearType natural
    uint8_t lfPitchAndFamily = 0;
    std::string lfFaceName; // at most 31 characters

    bool operator==(const FontDescription&) const = default;
};

// The notification-area icons by number: core slot n is icon n, the GPU icon
// comes after the build's core keys (SettingsLayout::gpuIcon).
using IconSet = std::bitset<hw::MaxCoreSlots + 1>;

constexpr std::array<Colour, hw::MaxCoreSlots + 1> everyIcon(Colour colour)
{
    std::array<Colour, hw::MaxCoreSlots + 1> colours{};
    colours.fill(colour);
    return colours;
}

// Digit colour of the icons; also the GPU icon and the Max icon.
constexpr Colour DefaultIconColour = 0xFFFFFF;
// Window fill colour of both layouts.
constexpr Colour DefaultWindowColour = 0xF4F3EE;

struct MonitorSettings {
    // --- processor, calibration and sampling ---------------------------------
    // TjMax in use per core slot, in °C: the detected value unless the key
    // TjMax<n> holds 70 to 120.
    hw::SlotArray<int> TjMax = hw::everySlot(100);
    // Idle calibration per core slot, in tenths of a degree (-199 .. 99).
    hw::SlotArray<int> Idle{};
    int OldFormula = 0;
    int RefreshInterval = 1000; // ms
    int MSRMulti = 0;
    int KillMHz = 0;
    int Skull = 0;
    int ClockMod = 2; // clock modulation register image
    bool TMLoad = false;
    uint32_t CPUID = 0;  // processor signature, written for reference
    std::string Spec;    // processor brand string, written for reference

    // --- window and display ---------------------------------------------------
    int WindowXY = 0; // packed position, 0 = none (see PackedPosition.h)
    int AnchorXY = 0;
    bool MiniMode = false;
    int StartMinimized = 0;
    int TaskBar = 0;
    int OnTop = 0;
    bool MinimizeOnClose = false;
    int InfoWindowIndex = 0; // 0 run timer, 1 VID, 2 package power
    bool Fahrenheit = false;
    std::string DegreeSymbolString; // empty = absent
    bool ThreeDigit = false;
    int CustomGUI = 0;
    int CustomGUIMini = 0;
    Colour GUIColor = DefaultWindowColour;
    Colour GUIMiniColor = DefaultWindowColour;
    Colour GUIText = 0;
    Colour GUIMiniText = 0;
    int NormHeading = 0;
    int MiniHeading = 0;
    Colour GUINormHead = 0;
    Colour GUIMiniHead = 0;

    // --- notification area ----------------------------------------------------
    // Bit n shows the icon of core slot n, the GPU icon has the bit after the
    // last core key (4, or 8 in the six- and many-core builds); bit 12 makes
    // the Max icon show the smallest distance to TjMax. The many-core build
    // keeps its core icons in IconCores instead (IconSelection.h).
    int IconShow = 1;
    uint64_t IconCores = 1; // many-core build: bit n shows the icon of core n
    bool IconMax = false;
    // The icons of IconShow / IconCores and IconMax that could not be added
    // because the desktop had no notification area yet: off for this run,
    // saved as chosen, and added when a notification area appears.
    IconSet iconShowAwaitingArea;
    bool iconMaxAwaitingArea = false;
    int TrayInfo = 0;
    // Per core slot, then the GPU icon (index 4, 8 in the six-core build, 64
    // in the many-core build).
    std::array<Colour, hw::MaxCoreSlots + 1> IconTextColor = everyIcon(DefaultIconColour);
    Colour CoreMax = DefaultIconColour;

    // --- log and alarms -------------------------------------------------------
    int LogFile = 0;
    int LogInterval = 5; // s, a divisor of 86400
    int HDWrite = 60;    // s
    int CSV = 0;
    std::string LogFileName = "OstrelLog";
    int Alarm = 0;
    int Alarm1 = 100; // processor alarm, display unit
    int Alarm2 = 100; // GPU alarm, display unit
    std::string AlarmFile;

    // --- icon font ------------------------------------------------------------
    int lfHeight = -13;
    int lfWidth = 0;
    int lfWeight = 400;
    int lfItalic = 0;
    int lfCharSet = 0;
    int lfPitchAndFamily = 34;
    std::string lfFaceName = "MS Sans Serif";
    int Quality = 0; // 0..3; the font's quality byte is Quality + 3
    // Six-core build only.
    int FontNumber = 0; // 0..3
    bool Bold = false;

    // --- keys of the GPU sensors and the plug-in installer -------------------
    int GPU = 0; // bit 0 look for NVIDIA, bit 1 look for ATI
    int PollInterval = 5; // s
    int DisableSensor = 0;
    std::string RivaFile;

    // --- turbo limits ---------------------------------------------------------
    uint32_t OneADEAX = 0; // MSR_TURBO_RATIO_LIMIT low half, 0 = none stored
    uint32_t OneADEDX = 0; // its high half
    uint32_t TDPTDC = 0;   // MSR_TURBO_POWER_CURRENT_LIMIT low half

    // Six-core build only, on processors without nehalemClass.
    int VIDInfo = 0;

    // --- derived and run-time state -------------------------------------------
    std::string unitText = "\xC2\xB0" "C"; // "°C", "°F" or DegreeSymbolString
    FontDescription iconFont;
    FontDescription mainFont;
    // Solid window brushes, present only while CustomGUI / CustomGUIMini are on.
    std::optional<Colour> normalBrush;
    std::optional<Colour> miniBrush;
    bool iconsDirty = false;
    bool nvidiaPresent = false;
    bool atiPresent = false;
    bool gpuPresent = false;

    bool operator==(const MonitorSettings&) const = default;
};

} // namespace monitor
