#pragma once
// Sparvel as a program: the window on a processor, started, run until it
// ends, shut down. main() and the tests run it through this one function.
// SIGTERM, SIGINT and SIGHUP end the window like its Exit command, so the log
// and the settings are written on the way out, whatever box is open then.

#include "turbo/window/TurboMonitorDialog.h"

#include <functional>

namespace turbo {

// Exit statuses of the program.
constexpr int ExitNormal = 0;
constexpr int ExitStartupFailed = 1;

// Runs the turbo monitor and returns the program's exit status. `running`,
// when given, is called once the window runs (tests act on it from there).
int runTurboMonitor(platform::Processor& processor, TurboMonitorOptions options,
                    const std::function<void(TurboMonitorDialog&)>& running = {});

} // namespace turbo
