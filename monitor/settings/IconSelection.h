#pragma once
// Which notification-area icons the settings choose. The icons are numbered:
// core slot n is icon n, the GPU icon is the layout's gpuIcon. The four- and
// six-core builds keep the choice in IconShow (core n: bit n, the GPU: bit
// gpuShowBit); the many-core build keeps its core icons in IconCores (bit n:
// core n) and the GPU icon in IconShow's bit gpuShowBit, beside the modes.

#include "monitor/settings/MonitorSettings.h"
#include "monitor/settings/SettingsLayout.h"

namespace monitor {

bool iconChosen(const MonitorSettings& settings, const SettingsLayout& layout, int icon);
void chooseIcon(MonitorSettings& settings, const SettingsLayout& layout, int icon, bool shown);

// The chosen core and GPU icons as a set.
IconSet chosenIcons(const MonitorSettings& settings, const SettingsLayout& layout);
// Adds every icon of the set to the choice.
void chooseIcons(MonitorSettings& settings, const SettingsLayout& layout, const IconSet& icons);

// Whether any core or GPU icon is chosen. Where IconShow holds the core icons
// its bits 0 to 8 all count, those that select no icon in the build too.
bool anyIconChosen(const MonitorSettings& settings, const SettingsLayout& layout);

} // namespace monitor
