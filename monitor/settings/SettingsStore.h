#pragma once
// Reading and writing the monitor's settings file.
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
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace hw {
class HardwareAccess;
}

namespace monitor {

// Start-up work that happens while the keys are read, in the reading order.
struct StartupActions {
    // Writes the stored turbo limits (nehalemClass processors); none: skipped.
    hw::HardwareAccess* hardware = nullptr;
    // After the key GPU: opens the sensors it asks for and sets nvidiaPresent
    // and atiPresent.
    std::function<void(MonitorSettings&)> openGpuSensors;
    // After TMLoad, when it is on.
    std::function<void()> startLoadThread;
    // After ClockMod, with its value.
    std::function<void(uint32_t)> writeClockModulation;
};

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

// Every other key, in the start-up reading order, with its rules. TjMax
// holds the processor's values unless a key overrides them; CPUID and Spec
// take the processor's signature and brand string.
void LoadAll(MonitorSettings& settings, const std::string& iniPath, const ProcessorFacts& processor,
             const StartupActions& actions = {}, const SettingsLayout& layout = FourCoreSettings);

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

} // namespace monitor
