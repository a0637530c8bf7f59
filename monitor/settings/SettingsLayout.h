#pragma once
// Which keys the settings file of a build holds. The four-core Ostrel, the
// six-core OstrelHX and the many-core OstrelXL share one file format with a
// few differences; the loader and writers take the layout of the program
// that calls them.

#include "hw/BuildFlavour.h"

namespace monitor {

// Both builds limit Alarm1 to 100 (212 °F) and Alarm2 to 105 (221 °F); their
// defaults differ.
enum class AlarmLimits {
    FollowUnit, // Alarm1 and Alarm2 default to Alarm1's limit
    Fixed,      // Alarm1 90 (194 °F); Alarm2 90 (194 °F), or Alarm1's limit without GPU
};

struct SettingsLayout {
    // TjMax<n>, Idle<n> and IconTextColor<n> exist for n < coreKeys.
    int coreKeys;
    // IconTextColor<gpuIcon> and bit gpuIcon of IconShow belong to the GPU icon.
    int gpuIcon;
    // Section of OneADEAX, OneADEDX and TDPTDC.
    const char* turboSection;
    AlarmLimits alarms;
    // FontNumber and Bold choose among the icon fonts.
    bool fontChoiceKeys;
    // VIDInfo picks the information field (processors without nehalemClass);
    // otherwise InfoWindowIndex does.
    bool vidInfoKey;
    // Keys that only the four-core build reads.
    bool logFileNameKey;
    bool refreshIntervalKey;
    bool killMhzKey;
    bool skullKey;
    bool oldFormulaKey;
    // Bit of IconShow that shows the GPU icon.
    int gpuShowBit;
    // IconCores says which core icons are shown (bit n: core n); without it
    // they are bits 0 .. coreKeys - 1 of IconShow.
    bool coreIconsKey;
};

constexpr SettingsLayout FourCoreSettings{4, 4, "Pavolt", AlarmLimits::FollowUnit,
                                          false, false, true, true, true, true, true, 4, false};
constexpr SettingsLayout SixCoreSettings{8, 8, "Ostrel", AlarmLimits::Fixed,
                                         true, true, false, false, false, false, false, 8, false};
// The six-core build's keys for every core; IconShow keeps the six-core
// build's GPU bit and modes, the GPU's digit colour is IconTextColor64.
constexpr SettingsLayout ManyCoreSettings{hw::MaxCoreSlots, hw::MaxCoreSlots, "Ostrel", AlarmLimits::Fixed,
                                          true, true, false, false, false, false, false, 8, true};

// The layout of a build.
constexpr const SettingsLayout& settingsLayoutFor(const hw::BuildFlavour& flavour)
{
    if (flavour.settingSlots > SixCoreSettings.coreKeys)
        return ManyCoreSettings;
    return flavour.settingSlots > FourCoreSettings.coreKeys ? SixCoreSettings : FourCoreSettings;
}

// Section of every other key.
constexpr const char* MainSection = "Ostrel";

} // namespace monitor
