#pragma once
// Morvath as a program: its one window, run until it ends. main() and the
// tests run it through this one function. SIGTERM, SIGINT and SIGHUP close
// the window like its close box; a running load loop sees the request
// between two slots and stops.

#include "loadgen/window/LoadGeneratorDialog.h"

#include <functional>

namespace loadgen {

// Runs the load generator and returns the program's exit status (0).
// `running`, when given, is called once the window runs.
int runLoadGenerator(const std::function<void(LoadGeneratorDialog&)>& running = {});

} // namespace loadgen
