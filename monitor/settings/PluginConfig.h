#pragma once
// The configuration file of the RivaTuner monitoring plug-in, OLCore.cfg in
// RivaTuner's PlugIns/Monitoring folder. It holds the calibration the plug-in
// needs (TjMax and idle per present core) in section "Ostrel", in the format
// of the settings file.

#include "monitor/settings/MonitorSettings.h"
#include "monitor/settings/ProcessorFacts.h"
#include "monitor/settings/SettingsLayout.h"
#include "monitor/settings/WriteResult.h"

#include <optional>
#include <string>
#include <string_view>

namespace monitor {

// The program file name the RivaTuner path must end in (case-sensitive).
constexpr std::string_view RivaTunerProgram = "RivaTuner.exe";

// The plug-in configuration file for a RivaTuner path: the path less
// "RivaTuner.exe", followed by "PlugIns/Monitoring/OLCore.cfg". None when the
// path does not end in "RivaTuner.exe".
std::optional<std::string> pluginConfigPath(std::string_view rivaFile);

enum class CalibrationOrder {
    PerCore,    // Idle<n>, TjMax<n> for each core in turn (the settings writer)
    TjMaxFirst, // every TjMax<n>, then every Idle<n> (the plug-in installer)
};

// Writes TjMax<n> ("%d") and Idle<n> ("%.1f") of every present core into the
// file, creating it when missing (its folder is never created).
WriteResult writePluginCalibration(const std::string& configPath, const MonitorSettings& settings,
                                   const ProcessorFacts& processor, const SettingsLayout& layout,
                                   CalibrationOrder order);

} // namespace monitor
