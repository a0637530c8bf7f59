#pragma once
// The running program's own file and the settings file that belongs to it.

#include <string>
#include <string_view>

namespace platform {

// The program's own path, read from the link `selfLink` (the kernel's
// /proc/self/exe unless a test points elsewhere). A " (deleted)" mark for a
// replaced program file is dropped. Empty when the link cannot be read.
std::string programPath(const std::string& selfLink = "/proc/self/exe");

// The settings file beside a program: a final ".exe" (any case) becomes
// ".ini"; any other name gets ".ini" appended, so "/opt/x/Ostrel" gives
// "/opt/x/Ostrel.ini". Never the program file itself. Empty for an empty path.
std::string settingsPathFor(std::string_view programPath);

} // namespace platform
