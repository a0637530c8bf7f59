#include "monitor/measure/WorkerThread.h"

#include <gtest/gtest.h>

#include <vector>

using namespace monitor;

namespace {

// Stands in for the two threads: each ends (writes 0) after answering a
// stop request for a chosen number of 100 ms steps, or never (-1).
struct ScriptedThreads {
    SharedReadings shared;
    int loadEndsAfter = -1;
    int clockEndsAfter = -1;
    int steps = 0;
    std::vector<uint32_t> sleeps;

    void sleep(uint32_t ms)
    {
        sleeps.push_back(ms);
        ++steps;
        if (shared.loadControl.load() == StopRequested && loadEndsAfter >= 0 && steps >= loadEndsAfter)
            shared.loadControl.store(NotRunning);
        if (shared.clockControl.load() == StopRequested && clockEndsAfter >= 0 && steps >= clockEndsAfter)
            shared.clockControl.store(NotRunning);
    }

    StopOutcome stop()
    {
        return StopWorkerThreads(shared, [this](uint32_t ms) { sleep(ms); });
    }
};

TEST(ShutdownWait, BudgetSharedByBothThreads)
{
    struct Case {
        const char* what;
        int load;        // initial load control word
        int clock;       // initial clock control word
        int loadEnds;    // steps after which each answers, -1 never
        int clockEnds;
        bool loadEnded, clockEnded;
        int steps;
    };
    const Case cases[] = {
        {"both answer at once", Running, Running, 1, 1, true, true, 1},
        {"load after 3, clock after 5", Running, Running, 3, 5, true, true, 5},
        {"clock already done while waiting for load", Running, Running, 10, 2, true, true, 10},
        {"no load thread", NotRunning, Running, -1, 4, true, true, 4},
        {"clock stopped earlier (killMhz)", NotRunning, NotRunning, -1, -1, true, true, 0},
        {"clock asked earlier, still ending", NotRunning, StopRequested, -1, 2, true, true, 2},
        {"load thread never answers", Running, Running, -1, 1, false, true, 49},
        {"clock thread never answers", Running, Running, 2, -1, true, false, 49},
        {"neither answers", Running, Running, -1, -1, false, false, 49},
        {"load takes 40 steps, clock 60: shared budget", Running, Running, 40, 60, true, false, 49},
    };
    for (const Case& c : cases) {
        ScriptedThreads threads;
        threads.shared.loadControl = c.load;
        threads.shared.clockControl = c.clock;
        threads.loadEndsAfter = c.loadEnds;
        threads.clockEndsAfter = c.clockEnds;
        StopOutcome outcome = threads.stop();
        EXPECT_EQ(outcome.loadThreadEnded, c.loadEnded) << c.what;
        EXPECT_EQ(outcome.clockThreadEnded, c.clockEnded) << c.what;
        EXPECT_EQ(outcome.stepsWaited, c.steps) << c.what;
        EXPECT_EQ(threads.steps, c.steps) << c.what;
        for (uint32_t ms : threads.sleeps)
            EXPECT_EQ(ms, 100u) << c.what;
    }
}

TEST(ShutdownWait, StopRequestOnlyReplacesRunning)
{
    std::atomic<int> word{Running};
    RequestStop(word);
    EXPECT_EQ(word.load(), StopRequested);
    word = NotRunning;
    RequestStop(word);
    EXPECT_EQ(word.load(), NotRunning);
}

} // namespace
