#pragma once
// The CPUID dumps of sim/cpuid/, compiled into the library.

#include <string_view>

namespace sim {

struct EmbeddedDump {
    std::string_view name; // file name without ".txt"
    std::string_view text; // the whole file
};

extern const EmbeddedDump embeddedCpuidDumps[];
extern const int embeddedCpuidDumpCount;

// The text of the dump of that name; empty when there is none.
std::string_view cpuidDumpText(std::string_view name);

} // namespace sim
