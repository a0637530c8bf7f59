// Runs Morvath's load loop without a window, for measuring how close the
// produced load comes to the requested share:
//   loadgen_bench --bench-load N --seconds S [--idle-wait slot-end|steps]
// keeps the first N/10 slots of every second busy for S seconds on the real
// clock, then prints the process's CPU time (getrusage) against the time run.
// Idle slots sleep to their end as Morvath does (slot-end, the default) or in
// 1 ms steps (steps).

#include "loadgen/LoadLoop.h"
#include "loadgen/MonotonicLoadClock.h"
#include "loadgen/SlotSelection.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class TimedHost : public loadgen::LoadLoopHost {
public:
    TimedHost(uint32_t mask, int64_t seconds) : m_mask(mask), m_seconds(seconds) {}
    uint32_t slotMask() const override { return m_mask; }
    bool running() const override { return m_running; }
    void secondCompleted(int64_t elapsedSeconds) override
    {
        if (elapsedSeconds >= m_seconds)
            m_running = false;
    }
    void dispatchEvents() override {}

private:
    uint32_t m_mask;
    int64_t m_seconds;
    bool m_running = true;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int usage(const char* program)
{
    std::fprintf(stderr, "usage: %s --bench-load N --seconds S [--idle-wait slot-end|steps]   (N = 0, 10, ... 100; S > 0)\n",
                 program);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int percent = -1;
    long seconds = 0;
    loadgen::IdleWait idleWait = loadgen::IdleWait::UntilSlotEnd;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--bench-load") == 0)
            percent = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atol(argv[i + 1]);
        else if (std::strcmp(argv[i], "--idle-wait") == 0 && std::strcmp(argv[i + 1], "slot-end") == 0)
            idleWait = loadgen::IdleWait::UntilSlotEnd;
        else if (std::strcmp(argv[i], "--idle-wait") == 0 && std::strcmp(argv[i + 1], "steps") == 0)
            idleWait = loadgen::IdleWait::MillisecondSteps;
        else
            return usage(argv[0]);
    }
    if (argc % 2 == 0 || percent < 0 || percent > 100 || percent % 10 != 0 || seconds <= 0)
        return usage(argv[0]);

    loadgen::SlotSelection selection;
    for (int slot = 0; slot < percent / 10; ++slot)
        selection.toggle(slot);

    loadgen::MonotonicLoadClock clock;
    int64_t start = 0;
    int64_t end = 0;
    const double cpuBefore = cpuSeconds();
    clock.counter(start);
    TimedHost host(selection.mask(), seconds);
    loadgen::LoadLoop loop(clock, idleWait);
    if (loop.run(host) != loadgen::LoadLoopResult::Stopped) {
        std::fprintf(stderr, "no high-resolution counter\n");
        return 1;
    }
    clock.counter(end);
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = (end - start) / 1e9;
    std::printf("requested %d%% idle-wait %s seconds %.3f cpu %.3f share %.2f%%\n", selection.loadPercent(),
                idleWait == loadgen::IdleWait::UntilSlotEnd ? "slot-end" : "steps", wall, cpu, 100.0 * cpu / wall);
    return 0;
}
