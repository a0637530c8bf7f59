#pragma once
// The monitor's start-up, from raising the priorities to the last settings
// key, in its fixed order. The main window runs its own first steps (icon,
// system menu) before and its window steps (captions, visibility, timer)
// after this sequence.
//
//  1. process and user-interface thread priorities, timer resolution
//  2. Initialise, the wait, Status; with status 0 and a working capability
//     test the settings record is created with its defaults
//  3. process affinity widened to the system mask; the fonts
//  4. without a settings record: "Driver Error" with the status text, end
//  5. processor identification; an unsupported processor ends here
//  6. the keys MSRMulti, KillMHz, Skull and GPU; measurement records and the
//     performance counters (MSRMulti)
//  7. signature texts, core map
//  8. clock-measurement thread
//  9. model rules (KillMHz), package selection (Skull), TjMax from the
//     processor; the graphics sensors (GPU), every other key, then the work
//     the keys ask for: stored turbo limits, the load thread (TMLoad), clock
//     modulation (ClockMod); the TjMax overrides
// 10. the sampling cycle with its measurement and log steps

#include "hw/Messages.h"
#include "monitor/lifecycle/MonitorRecords.h"

#include <functional>

namespace monitor {

enum class StartupOutcome {
    Running,              // the timer may start
    DriverError,          // "Driver Error" was shown; the program ends
    UnsupportedProcessor, // the processor's message was shown; the program ends
    AllocationError,      // "Memory Allocation Error." was shown; the program ends
};

// Work of other parts of the monitor that the start-up calls at its place.
struct StartupHooks {
    // Opens the graphics sensors the key GPU asks for and sets nvidiaPresent
    // and atiPresent. Empty: no graphics sensor is opened.
    std::function<void(MonitorSettings&)> openGpuSensors;
};

StartupOutcome RunStartup(MonitorRecords& records, hw::Messages& messages, const StartupHooks& hooks = {});

// Milliseconds waited after Initialise.
int InitialiseWaitMs(const hw::BuildFlavour& flavour);

} // namespace monitor
