#include "bench/ProcFigures.h"
#include "bench/TaskTally.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <pthread.h>
#include <thread>
#include <unistd.h>

using namespace bench;

namespace {

ThreadSample thread(int tid, const char* name, double ms, uint64_t switches, uint64_t voluntary)
{
    return {tid, name, {ms, switches, voluntary}};
}

// A thread that is gone at the next sample keeps its last figures, and one
// whose id came back with smaller counters is another thread: both count.
TEST(TaskTally, EndedAndReusedThreadsKeepTheirFigures)
{
    TaskTally tally;
    tally.update({thread(10, "main", 5, 50, 40), thread(11, "worker", 2, 20, 18), thread(12, "worker", 1, 9, 9)});
    tally.update({thread(10, "main", 6, 60, 48), thread(12, "worker", 0.5, 3, 3)});
    tally.update({thread(10, "main", 7, 70, 56), thread(12, "worker", 0.75, 4, 4)});

    EXPECT_EQ(tally.endedThreads(), 2);
    auto names = tally.byName();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_DOUBLE_EQ(names["worker"].runtimeMs, 2 + 1 + 0.75);
    EXPECT_EQ(names["worker"].switches, 20u + 9 + 4);
    EXPECT_EQ(names["main"].voluntary, 56u);
    ThreadCounters total = tally.total();
    EXPECT_DOUBLE_EQ(total.runtimeMs, 7 + 3.75);
    EXPECT_EQ(total.voluntary, 56u + 18 + 9 + 4);
}

TEST(ProcFigures, SchedFileFields)
{
    const char* text = "dconf (worker) (4242, #threads: 6)\n"
                       "-------------------------------------------------------------------\n"
                       "se.exec_start                                :      81234.567890\n"
                       "se.sum_exec_runtime                          :         12.345678\n"
                       "nr_switches                                  :                  321\n"
                       "nr_voluntary_switches                        :                  300\n"
                       "nr_involuntary_switches                      :                   21\n";
    ThreadSample sample;
    ASSERT_TRUE(ParseSched(text, sample));
    EXPECT_EQ(sample.name, "dconf (worker)");
    EXPECT_DOUBLE_EQ(sample.counters.runtimeMs, 12.345678);
    EXPECT_EQ(sample.counters.switches, 321u);
    EXPECT_EQ(sample.counters.voluntary, 300u);

    ThreadSample partial;
    EXPECT_FALSE(ParseSched("x (1, #threads: 1)\nnr_switches : 3\nnr_voluntary_switches_total : 1\n", partial));
}

// This process through /proc: a named thread that blocked and then ended
// between two samples is still in the tally with what the first one saw.
TEST(ProcFigures, AThreadThatEndedBetweenSamplesStillCounts)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::thread worker([&fds] {
        pthread_setname_np(pthread_self(), "short-lived");
        char byte;
        while (read(fds[0], &byte, 1) < 0 && errno == EINTR) {
        }
    });
    auto blocked = [](const std::vector<ThreadSample>& threads) {
        return std::ranges::any_of(threads, [](const ThreadSample& t) {
            return t.name == "short-lived" && t.counters.voluntary > 0;
        });
    };
    std::vector<ThreadSample> first = ReadThreads(getpid());
    for (int i = 0; i < 2000 && !blocked(first); ++i) {
        usleep(1000);
        first = ReadThreads(getpid());
    }
    TaskTally tally;
    tally.update(first);
    EXPECT_EQ(write(fds[1], "x", 1), 1);
    worker.join();
    tally.update(ReadThreads(getpid()));
    close(fds[0]);
    close(fds[1]);

    ASSERT_TRUE(blocked(first));
    EXPECT_EQ(tally.endedThreads(), 1);
    EXPECT_GT(tally.byName()["short-lived"].voluntary, 0u);
    EXPECT_TRUE(ProcessCpuMs(getpid()).has_value());
    MemoryFigures memory = ReadMemory(getpid());
    EXPECT_GT(memory.ussKb, 0u);
    EXPECT_GE(memory.rssKb, memory.pssKb);
    EXPECT_GE(memory.pssKb, memory.ussKb);
    EXPECT_GE(memory.peakKb, memory.rssKb);
}

} // namespace
