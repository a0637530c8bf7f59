#pragma once
// The environment of a simulated run: the load the logical CPUs carry, the
// thermal readouts pinned for reproducible runs, and the graphics processors
// the GPU stand-ins report. Parsed from SIMULATED_LOAD, SIMULATED_READOUT and
// SIMULATED_GPU; malformed values are errors, never guessed at.

#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class LoadMode { Host, Fixed };

struct GpuCounts {
    int nvidia = 0;
    int ati = 0;
};

struct Options {
    LoadMode loadMode = LoadMode::Host; // Host: follow the host CPUs' load from /proc/stat
    double fixedLoadPercent = 0.0;      // every logical CPU, with LoadMode::Fixed
    std::vector<int> pinnedReadouts;    // readout of core 0, 1, ... in degrees below TjMax
    GpuCounts gpus;
    // SIMULATED_AUDIT: a file that receives the register writes and the final
    // state of every written register when the program deinitialises the
    // register access (the simulated registers end with the process); empty: none.
    std::string auditPath;

    // "host" or a percentage 0 to 100; empty means host.
    static bool parseLoad(std::string_view text, Options& options, std::string& error);
    // "<n>[,<n>...]", each 0 to 127; empty means none.
    static bool parseReadouts(std::string_view text, Options& options, std::string& error);
    // "nvidia:<n>,ati:<n>" in either order, each part optional; empty means none.
    static bool parseGpus(std::string_view text, Options& options, std::string& error);

    // All three variables at once (null pointers count as unset).
    static bool fromVariables(const char* load, const char* readout, const char* gpu, Options& options,
                              std::string& error);
};

} // namespace sim
