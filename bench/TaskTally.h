#pragma once
// The run time and context switches of every thread of one process, kept
// across samples of /proc, so that a thread which ends between two samples
// still counts with the figures it had at the last sample. The process's
// own totals in /proc/<pid>/stat keep the time of ended threads but only in
// clock ticks, and nothing per process keeps their switches.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace bench {

struct ThreadCounters {
    double runtimeMs = 0;   // time on a CPU
    uint64_t switches = 0;  // every context switch
    uint64_t voluntary = 0; // the thread blocked: one wake-up each
};

struct ThreadSample {
    int tid = 0;
    std::string name;
    ThreadCounters counters;
};

class TaskTally {
public:
    // One sample: every thread the process has now. A thread missing from it
    // has ended; one whose counters went back is a new thread that got an
    // ended one's id.
    void update(const std::vector<ThreadSample>& threads);

    // The figures of a live thread at the last sample, or null.
    const ThreadSample* last(int tid) const;

    // Live and ended threads together, by the name each had last.
    std::map<std::string, ThreadCounters> byName() const;
    ThreadCounters total() const;
    int endedThreads() const { return m_endedCount; }

private:
    void retire(const ThreadSample& last);

    std::map<int, ThreadSample> m_live;
    std::map<std::string, ThreadCounters> m_ended;
    int m_endedCount = 0;
};

} // namespace bench
