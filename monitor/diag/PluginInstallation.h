#pragma once
// Installing the RivaTuner monitoring plug-in: OLCore.dll and its help file
// OLCore.rth, kept beside the monitor's program file, are copied into the
// folders of the RivaTuner installation the user chose (RivaTuner runs under
// Wine, so its folder is an ordinary directory), and the calibration of the
// present cores is written into the plug-in's OLCore.cfg there. The choosing
// and the messages are the window's (PluginInstaller.h).

#include "monitor/settings/MonitorSettings.h"
#include "monitor/settings/ProcessorFacts.h"
#include "monitor/settings/SettingsLayout.h"
#include "platform/InvokingUser.h"

#include <optional>
#include <string>
#include <string_view>

namespace monitor {

// The plug-in and its help file, as found beside the program.
struct PluginSources {
    std::string plugin; // .../OLCore.dll
    std::string help;   // .../OLCore.rth
};

// The plug-in files in the folder of `programPath` (Ostrel and OstrelHX alike).
PluginSources pluginSourcesBeside(std::string_view programPath);

// Where the plug-in goes, below the folder of RivaTuner.exe.
constexpr std::string_view PluginTarget = "PlugIns/Monitoring/OLCore.dll";
constexpr std::string_view PluginHelpTarget = "Help/Plugins/Monitoring/OLCore.rth";

// Whether a chosen path names RivaTuner.exe: its last 13 characters are
// exactly "RivaTuner.exe" (case-sensitive).
bool isRivaTunerPath(std::string_view rivaFile);

// RivaTuner's folder in the Wine prefix of a user: $WINEPREFIX, or
// <home>/.wine, followed by "drive_c/Program Files/RivaTuner".
std::string defaultRivaTunerFolder(const platform::EnvironmentLookup& environment, const std::string& home);

enum class PluginInstallStatus {
    Installed,
    NotRivaTuner,    // the path does not end in "RivaTuner.exe"; nothing done
    PluginNotCopied, // OLCore.dll could not be copied; nothing written
};

struct PluginInstallResult {
    PluginInstallStatus status;
    // Why the plug-in could not be copied (for standard error).
    std::string problem;
};

struct PluginInstallRequest {
    std::string rivaFile; // the chosen full path of RivaTuner.exe
    PluginSources sources;
    const MonitorSettings& settings; // TjMax and idle calibration per core
    const ProcessorFacts& processor; // which cores are present
    const SettingsLayout& layout;    // how many core keys the build has
    // Whom the files are written for when running as root (sudo, pkexec).
    std::optional<platform::InvokingUser> owner;
};

// Copies OLCore.dll (a failure ends the installation), then OLCore.rth
// (a failure is ignored), then writes every present core's "TjMax<n>" and
// then every "Idle<n>" into PlugIns/Monitoring/OLCore.cfg. Copies replace
// what is there; the folders are never created.
PluginInstallResult installPlugin(const PluginInstallRequest& request);

} // namespace monitor
