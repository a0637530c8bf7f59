// Follows the threads of the processes named on the command line so that a
// thread which ends between two snapshots keeps counting with its last
// figures, and answers each line "snap" on standard input with the figures
// so far; ends at the end of its input. bench/cost_common.sh runs it.
//   cost_sampler YOUNG_MS ALL_MS PID...
// Every YOUNG_MS it lists each process's threads and reads those younger
// than two seconds (short jobs end soon); every ALL_MS it reads them all.
// A thread that has run longer and ends loses at most ALL_MS of figures
// (a pool thread ends after a long idle wait: it loses nothing).
// A snapshot is, for each process in the order given:
//   P <pid> <alive 0|1> <stat ms> <sched ms> <switches> <voluntary> <ended threads>
//     <rss kB> <pss kB> <uss kB> <peak kB>
//   T <pid> <thread name> <sched ms> <switches> <voluntary>   (one per name)
// then a line ".". "stat ms" is utime + stime from /proc/<pid>/stat (ended
// threads included, clock-tick steps); the others add up the threads seen.
// Blanks in thread names become '_'.

#include "bench/ProcFigures.h"
#include "bench/TaskTally.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr double YoungSeconds = 2.0;

struct Watched {
    int pid = 0;
    bench::TaskTally tally;
    std::map<int, double> firstSeen; // seconds, by thread id
    bool alive = true;
    double statMs = 0;
};

double now()
{
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

enum class Reading { YoungOnly, All };

void sample(std::vector<Watched>& watched, Reading reading)
{
    const double at = now();
    for (Watched& process : watched) {
        if (!process.alive)
            continue;
        std::vector<bench::ThreadSample> threads;
        std::map<int, double> firstSeen;
        for (int tid : bench::ListThreads(process.pid)) {
            auto seen = process.firstSeen.find(tid);
            double first = seen == process.firstSeen.end() ? at : seen->second;
            const bench::ThreadSample* last = process.tally.last(tid);
            bench::ThreadSample thread;
            if (reading == Reading::All || at - first < YoungSeconds || !last) {
                if (!bench::ReadThread(process.pid, tid, thread))
                    continue; // ended just now: the tally keeps what it had
            } else {
                thread = *last;
            }
            firstSeen[tid] = first;
            threads.push_back(std::move(thread));
        }
        if (threads.empty()) {
            process.alive = false; // the last figures stay
            continue;
        }
        process.firstSeen = std::move(firstSeen);
        process.tally.update(threads);
        if (reading == Reading::All)
            process.statMs = bench::ProcessCpuMs(process.pid).value_or(process.statMs);
    }
}

std::string plainName(std::string name)
{
    for (char& c : name)
        if (c == ' ' || c == '\t' || c == '\n')
            c = '_';
    return name.empty() ? "_" : name;
}

void snapshot(std::vector<Watched>& watched)
{
    sample(watched, Reading::All);
    for (Watched& process : watched) {
        bench::ThreadCounters total = process.tally.total();
        bench::MemoryFigures memory = process.alive ? bench::ReadMemory(process.pid) : bench::MemoryFigures{};
        std::printf("P %d %d %.3f %.3f %llu %llu %d %llu %llu %llu %llu\n", process.pid, process.alive ? 1 : 0,
                    process.statMs, total.runtimeMs, static_cast<unsigned long long>(total.switches),
                    static_cast<unsigned long long>(total.voluntary), process.tally.endedThreads(),
                    static_cast<unsigned long long>(memory.rssKb), static_cast<unsigned long long>(memory.pssKb),
                    static_cast<unsigned long long>(memory.ussKb), static_cast<unsigned long long>(memory.peakKb));
        for (const auto& [name, counters] : process.tally.byName())
            std::printf("T %d %s %.3f %llu %llu\n", process.pid, plainName(name).c_str(), counters.runtimeMs,
                        static_cast<unsigned long long>(counters.switches),
                        static_cast<unsigned long long>(counters.voluntary));
    }
    std::printf(".\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    int young = argc > 3 ? std::atoi(argv[1]) : 0;
    int all = argc > 3 ? std::atoi(argv[2]) : 0;
    std::vector<Watched> watched;
    for (int i = 3; i < argc; ++i) {
        Watched process;
        process.pid = std::atoi(argv[i]);
        if (process.pid <= 0)
            young = 0;
        watched.push_back(std::move(process));
    }
    if (young <= 0 || all < young) {
        std::fprintf(stderr, "usage: cost_sampler YOUNG_MS ALL_MS PID... (0 < YOUNG_MS <= ALL_MS, process ids)\n");
        return 2;
    }
    sample(watched, Reading::All);
    double lastAll = now();
    std::string pending;
    for (;;) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        int ready = poll(&input, 1, young);
        if (ready < 0 && errno != EINTR)
            return 1;
        if (ready <= 0) {
            bool everything = now() - lastAll >= all * 1e-3;
            sample(watched, everything ? Reading::All : Reading::YoungOnly);
            if (everything)
                lastAll = now();
            continue;
        }
        char buffer[256];
        ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return 0;
        pending.append(buffer, static_cast<size_t>(got));
        for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            if (pending.compare(0, end, "snap") == 0) {
                snapshot(watched);
                lastAll = now();
            } else {
                std::fprintf(stderr, "cost_sampler: unknown command \"%s\" (only \"snap\")\n",
                             pending.substr(0, end).c_str());
            }
        }
    }
}
