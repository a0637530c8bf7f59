#pragma once
// The "RivaTuner" button of the settings window: the user finds RivaTuner.exe
// with the file chooser, the plug-in is installed there (PluginInstallation.h)
// and the outcome is told in a message box.

#include "monitor/diag/PluginInstallation.h"

#include <optional>
#include <string>

namespace dialog {
class DialogWindow;
}

namespace monitor {

// Where the installer looks: the program file the plug-in lies beside, the
// folder the chooser opens when no RivaTuner path is stored, and whom files
// are written for when running as root.
struct PluginInstallerPlaces {
    std::string programPath;
    std::string defaultFolder;
    std::optional<platform::InvokingUser> owner;

    // This process: /proc/self/exe, the (invoking) user's Wine prefix.
    static PluginInstallerPlaces current();
};

// Runs the installation from the owner window, with its dialog services.
// `rivaFile` is the stored RivaTuner path (the chooser's starting point).
// Returns the new RivaTuner path: the chosen file once installed, empty when
// the chooser was cancelled, the file is not RivaTuner.exe or the plug-in
// could not be copied. The path's box is enabled exactly when it is not empty.
std::string runPluginInstaller(dialog::DialogWindow& owner, const std::string& rivaFile,
                               const MonitorSettings& settings, const ProcessorFacts& processor,
                               const SettingsLayout& layout,
                               const PluginInstallerPlaces& places = PluginInstallerPlaces::current());

} // namespace monitor
