#pragma once
// The monitor's orderly shutdown, after the main window has stopped its timer
// and reported its state:
//  1. the worker threads are asked to stop and waited for (one shared budget)
//  2. the window position, MiniMode, IconShow, ClockMod (as the processor
//     has it now), InfoWindowIndex and LogFileName are saved
//  3. with LogFile on, the log buffer is written out; lines that cannot be
//     written are counted on standard error
//  4. the notification-area icons are removed
//  5. clock modulation is turned off on every processor
//  6. the graphics sensors are closed, the records freed
//  7. the timer resolution is restored and the register access closed

#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/settings/SettingsStore.h"

#include <functional>

namespace monitor {

// Work of other parts of the monitor that the shutdown calls at its place.
struct ShutdownHooks {
    std::function<void()> removeIcons;      // empty: no icons were added
    std::function<void()> closeGpuSensors;  // empty: none were opened
};

struct ShutdownReport {
    StopOutcome threads;
    WriteResult settingsSaved = WriteResult::Failed;
    bool logWritten = true; // false when the log file could not be written
};

// After a successful start-up.
ShutdownReport RunShutdown(MonitorRecords& records, const ExitState& exitState, const ShutdownHooks& hooks = {});

// After a start-up that ended early: only what was opened is closed; no
// settings are written and no register is touched.
void ReleaseAfterFailedStartup(MonitorRecords& records);

} // namespace monitor
