#pragma once
// The table of every key of the monitor's settings file. Loading, every
// writer and the settings window's Defaults work from it, so each key, its
// format and its default are written down once (SettingsKeys.cpp).

#include "monitor/settings/SettingsKey.h"

#include <span>
#include <string>
#include <string_view>

namespace monitor {

// Every key, in the order start-up reads them.
std::span<const SettingsKey> settingsKeys();

// The key that fills a field; every field of a key has one.
const SettingsKey& settingsKeyOf(const KeyField& field);

// "TjMax" and 2 give "TjMax2".
inline std::string indexedKey(std::string_view stem, int index)
{
    return std::string(stem) + std::to_string(index);
}

} // namespace monitor
