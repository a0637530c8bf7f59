#pragma once
// The running program's own file, the settings file that belongs to it and
// the data files it ships with.

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

// Where a data file the program ships with (the alarm sound) is read from.
// A bare name is looked for in the current folder, then beside the program
// (where the build puts it), then in the installed data folder
// <prefix>/share/ostrel/ of a program in <prefix>/bin. The first readable
// one wins; none readable gives the name unchanged, as does a name with a
// folder in it.
std::string programDataFile(const std::string& fileName, const std::string& programPath);

} // namespace platform
