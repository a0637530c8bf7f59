#pragma once
// What /proc tells about one running process: its threads' run time and
// context switches, its CPU time as a whole, and its memory.

#include "bench/TaskTally.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// /proc/<pid>/task/<tid>/sched (kernels built with scheduler debugging):
// the name from its first line, se.sum_exec_runtime, nr_switches and
// nr_voluntary_switches. False when any of them is missing.
bool ParseSched(std::string_view text, ThreadSample& sample);

// The ids of the threads of `pid` now; empty when the process has ended.
std::vector<int> ListThreads(int pid);

// One thread's figures, the process's first thread named "main"; false when
// it has ended. Without the sched files, run time comes from the thread's
// utime + stime (clock ticks) and switches from its status file.
bool ReadThread(int pid, int tid, ThreadSample& sample);

// Every thread of `pid` now; empty when the process has ended.
std::vector<ThreadSample> ReadThreads(int pid);

// utime + stime of the whole process in milliseconds, ended threads
// included (clock-tick steps); nothing when the process has ended.
std::optional<double> ProcessCpuMs(int pid);

struct MemoryFigures {
    uint64_t rssKb = 0;
    uint64_t pssKb = 0;  // each shared page divided among the processes that map it
    uint64_t ussKb = 0;  // pages no other process maps: Private_Clean + Private_Dirty
    uint64_t peakKb = 0; // VmHWM, the largest RSS so far
};

// From /proc/<pid>/smaps_rollup and status; zeros when the process has ended.
MemoryFigures ReadMemory(int pid);

// The file's text, or nothing when it cannot be read.
std::optional<std::string> ReadProcFile(const std::string& path);

} // namespace bench
