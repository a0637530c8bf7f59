#pragma once
// The environment of a simulated run: the load the logical CPUs carry, the
// thermal readouts pinned for reproducible runs, the graphics processors the
// GPU stand-ins report and the CPUs the process may run on. Parsed from
// SIMULATED_LOAD, SIMULATED_READOUT, SIMULATED_GPU and SIMULATED_AFFINITY;
// malformed values are errors, never guessed at.

#include "platform/CpuSet.h"
#include "sim/HostLoadSource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class LoadMode { Host, Fixed };

enum class AuditRecords { Kept, Dropped };

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
    // Whether every register read, CPUID, RDTSC and register write is kept
    // in memory (the newest AuditCapacity of each) for reads(), writes() and
    // the audit file. Tests that look at them keep them; a program keeps them
    // only when SIMULATED_AUDIT asks for the file, so a monitor left running
    // all day does not carry megabytes of records it never shows.
    AuditRecords auditRecords = AuditRecords::Kept;
    // SIMULATED_AFFINITY: the logical CPUs the process may run on, as a cpuset
    // or taskset restricts them; empty means every CPU. Pinning to a CPU
    // outside it is refused and the sets the seam reports show only these CPUs.
    platform::CpuSet allowedCpus;
    // SIMULATED_MACHINE: the shared machine this processor runs on. Every
    // simulated processor with the same name and profile on the host shares
    // one set of registers, counters and temperatures (the programs use
    // "default" when the variable is unset). Empty: a machine of its own.
    std::string machineName;
    // The host's load for LoadMode::Host; null reads /proc/stat.
    std::shared_ptr<HostLoadSource> hostLoad;

    // "host" or a percentage 0 to 100; empty means host.
    static bool parseLoad(std::string_view text, Options& options, std::string& error);
    // "<n>[,<n>...]", each 0 to 127; empty means none.
    static bool parseReadouts(std::string_view text, Options& options, std::string& error);
    // "nvidia:<n>,ati:<n>" in either order, each part optional; empty means none.
    static bool parseGpus(std::string_view text, Options& options, std::string& error);

    // A CPU list as the kernel writes it ("0-1,4-5"), CPUs 0 to MaxCpus - 1;
    // empty means every CPU.
    static bool parseAffinity(std::string_view text, Options& options, std::string& error);

    // All the variables at once (null pointers count as unset).
    static bool fromVariables(const char* load, const char* readout, const char* gpu, Options& options,
                              std::string& error, const char* affinity = nullptr);
};

} // namespace sim
