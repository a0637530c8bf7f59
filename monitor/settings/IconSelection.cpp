#include "monitor/settings/IconSelection.h"

namespace monitor {

namespace {

// The bits of IconShow that can name an icon in any build.
constexpr int IconBits = 0x1FF;

bool inIconShow(const SettingsLayout& layout, int icon)
{
    return !layout.coreIconsKey || icon == layout.gpuIcon;
}

int showBitOf(const SettingsLayout& layout, int icon) { return icon == layout.gpuIcon ? layout.gpuShowBit : icon; }

bool validIcon(const SettingsLayout& layout, int icon) { return icon >= 0 && icon <= layout.gpuIcon; }

} // namespace

bool iconChosen(const MonitorSettings& s, const SettingsLayout& layout, int icon)
{
    if (!validIcon(layout, icon))
        return false;
    if (inIconShow(layout, icon))
        return (s.IconShow >> showBitOf(layout, icon) & 1) != 0;
    return (s.IconCores >> icon & 1) != 0;
}

void chooseIcon(MonitorSettings& s, const SettingsLayout& layout, int icon, bool shown)
{
    if (!validIcon(layout, icon))
        return;
    if (inIconShow(layout, icon)) {
        const int bit = 1 << showBitOf(layout, icon);
        s.IconShow = shown ? s.IconShow | bit : s.IconShow & ~bit;
        return;
    }
    const uint64_t bit = uint64_t{1} << icon;
    s.IconCores = shown ? s.IconCores | bit : s.IconCores & ~bit;
}

IconSet chosenIcons(const MonitorSettings& s, const SettingsLayout& layout)
{
    IconSet icons;
    for (int icon = 0; icon <= layout.gpuIcon; ++icon)
        icons[static_cast<size_t>(icon)] = iconChosen(s, layout, icon);
    return icons;
}

void chooseIcons(MonitorSettings& s, const SettingsLayout& layout, const IconSet& icons)
{
    for (int icon = 0; icon <= layout.gpuIcon; ++icon)
        if (icons[static_cast<size_t>(icon)])
            chooseIcon(s, layout, icon, true);
}

bool anyIconChosen(const MonitorSettings& s, const SettingsLayout& layout)
{
    if (layout.coreIconsKey)
        return s.IconCores != 0 || iconChosen(s, layout, layout.gpuIcon);
    return (s.IconShow & IconBits) != 0;
}

} // namespace monitor
