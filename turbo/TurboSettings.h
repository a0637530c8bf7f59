#pragma once
// The turbo monitor's settings: section "Sparvel" of the INI file beside the
// program, read at start and written at shutdown.

#include "turbo/TurboLog.h"

namespace platform {
class IniFile;
}

namespace turbo {

class TurboSettings {
public:
    static constexpr const char* kSection = "Sparvel";

    int loadFilter = 90;                 // percent, 0..99
    LogFormat logFormat = LogFormat::Text;

    // Missing or unreadable keys give the defaults; the load filter is clamped.
    static TurboSettings load(const platform::IniFile& file);

    // Writes both keys in one replacement of the file, keeping everything
    // else in it. false when the file could not be read or replaced.
    bool save(platform::IniFile& file) const;
};

} // namespace turbo
