#pragma once
// Reading and writing the monitor's settings file, key by key as the key
// table (SettingsKeys.h) describes them. Reading only reads: what start-up
// does with the keys (opening the GPU sensors, the turbo limits, the load
// thread, clock modulation) is start-up's work (MonitorStartup.h).
//
// Every operation takes the settings file's path, which the caller computes
// afresh each time (platform::settingsPathFor(platform::programPath())). A
// reader loads the file once and takes every key from that snapshot; a writer
// loads the file, sets its keys and replaces the file once, atomically, so
// everything else in the file (comments, unknown keys, other sections, line
// ends) stays as it was. A missing or unreadable file reads as all defaults;
// a file that cannot be read or replaced is left alone, and the record in
// memory is never touched by a writer.

#include "monitor/settings/MonitorSettings.h"
#include "monitor/settings/PackedPosition.h"
#include "monitor/settings/ProcessorFacts.h"
#include "monitor/settings/SettingsLayout.h"
#include "monitor/settings/WriteResult.h"

#include <array>
#include <optional>
#include <string>

namespace hw {
class HardwareAccess;
}

namespace monitor {

// The main window's state at shutdown that SaveOnExit stores.
enum class Composition { Off, On };
struct ExitState {
    // Top-left corner of the remembered window rectangle; none when the
    // window never recorded one.
    std::optional<ScreenPoint> windowTopLeft;
    // With desktop composition on, a window in normal form is stored 5 pixels
    // up and left of its rectangle.
    Composition composition = Composition::Off;
    // The anchor rectangle; stored (its left and top) when any value is not 0.
    std::array<int, 4> anchorRect{};
};

// Font keys into lfHeight .. lfFaceName and Quality (and, six-core build,
// FontNumber and Bold); builds iconFont and mainFont.
void LoadFonts(MonitorSettings& settings, const std::string& iniPath,
               const SettingsLayout& layout = FourCoreSettings);

// The keys start-up needs before the others: MSRMulti for the counters,
// KillMHz and Skull for the identification, GPU for the sensors.
void LoadStartupKeys(MonitorSettings& settings, const std::string& iniPath,
                     const SettingsLayout& layout = FourCoreSettings);

// Every other key with its rules, once the GPU sensors are known
// (nvidiaPresent, atiPresent; gpuPresent follows them): PollInterval and
// DisableSensor only while the ATI sensor works, Alarm2 only while a GPU
// sensor works. TjMax holds the processor's values unless a key overrides
// them; CPUID and Spec take the processor's signature and brand string. The
// turbo limit keys belong to ApplyStartupTurboLimits (TurboLimitsStore.h).
void LoadAll(MonitorSettings& settings, const std::string& iniPath, const ProcessorFacts& processor,
             const SettingsLayout& layout = FourCoreSettings);

// PollInterval and DisableSensor, for an ATI sensor that starts working.
void LoadAtiSensorKeys(MonitorSettings& settings, const std::string& iniPath);

// The keys of the settings window. When RivaFile names RivaTuner.exe, the
// calibration keys are copied into the plug-in's OLCore.cfg as well. Keys of
// cores that are not present are never written.
WriteResult SaveAll(const MonitorSettings& settings, const std::string& iniPath,
                    const ProcessorFacts& processor, const SettingsLayout& layout = FourCoreSettings);

// The keys that change outside the settings window, at shutdown. ClockMod is
// the clock modulation register read on logical CPU 0, not the setting.
WriteResult SaveOnExit(const MonitorSettings& settings, const std::string& iniPath,
                       const ExitState& exitState, hw::HardwareAccess& hardware,
                       const SettingsLayout& layout = FourCoreSettings);

// The seven font keys lfHeight .. lfFaceName.
WriteResult SaveFont(const MonitorSettings& settings, const std::string& iniPath);

// PollInterval and DisableSensor, from the ATI information window.
WriteResult SaveAtiSensorKeys(const MonitorSettings& settings, const std::string& iniPath);

// The settings as the settings window's Defaults button shows them: the keys
// it resets at their defaults, everything else as it is.
MonitorSettings WithWindowDefaults(const MonitorSettings& settings);

} // namespace monitor
