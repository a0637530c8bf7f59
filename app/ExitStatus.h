#pragma once
// Exit statuses shared by the programs' entry points.

namespace app {

// A malformed SIMULATED_* variable (or an unknown profile): the program says
// which on standard error and ends before its window opens.
constexpr int ExitBadEnvironment = 2;

} // namespace app
