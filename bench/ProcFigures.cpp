#include "bench/ProcFigures.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace bench {

namespace {

// The number after the first ':' of the line that starts with `key`
// followed by blanks and ':', as in the sched and status files.
std::optional<double> field(std::string_view text, std::string_view key)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.substr(0, key.size()) != key)
            continue;
        size_t colon = line.find_first_not_of(" \t", key.size());
        if (colon == std::string_view::npos || line[colon] != ':')
            continue;
        std::string number(line.substr(colon + 1));
        char* stop = nullptr;
        double value = std::strtod(number.c_str(), &stop);
        if (stop == number.c_str())
            return std::nullopt;
        return value;
    }
    return std::nullopt;
}

// The fields of a stat file after the name in parentheses (which may hold
// blanks and parentheses itself), the first being the state (field 3).
std::vector<std::string> statFields(const std::string& text, std::string* name = nullptr)
{
    size_t open = text.find('(');
    size_t close = text.rfind(')');
    std::vector<std::string> fields;
    if (open == std::string::npos || close == std::string::npos || close < open)
        return fields;
    if (name)
        *name = text.substr(open + 1, close - open - 1);
    size_t at = close + 1;
    while (at < text.size()) {
        size_t start = text.find_first_not_of(" \n", at);
        if (start == std::string::npos)
            break;
        size_t end = text.find_first_of(" \n", start);
        fields.push_back(text.substr(start, end - start));
        at = end == std::string::npos ? text.size() : end;
    }
    return fields;
}

double ticksToMs(const std::vector<std::string>& fields)
{
    // utime and stime are fields 14 and 15; fields[0] is field 3.
    static const double msPerTick = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return (std::strtod(fields[11].c_str(), nullptr) + std::strtod(fields[12].c_str(), nullptr)) * msPerTick;
}

bool readFromStatAndStatus(const std::string& folder, ThreadSample& sample)
{
    auto stat = ReadProcFile(folder + "/stat");
    auto status = ReadProcFile(folder + "/status");
    if (!stat || !status)
        return false;
    std::vector<std::string> fields = statFields(*stat, &sample.name);
    auto voluntary = field(*status, "voluntary_ctxt_switches");
    auto involuntary = field(*status, "nonvoluntary_ctxt_switches");
    if (fields.size() < 13 || !voluntary || !involuntary)
        return false;
    sample.counters.runtimeMs = ticksToMs(fields);
    sample.counters.voluntary = static_cast<uint64_t>(*voluntary);
    sample.counters.switches = static_cast<uint64_t>(*voluntary + *involuntary);
    return true;
}

} // namespace

std::optional<std::string> ReadProcFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            close(fd);
            if (got < 0)
                return std::nullopt;
            return text;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
}

bool ParseSched(std::string_view text, ThreadSample& sample)
{
    size_t open = text.find(" (");
    size_t firstLineEnd = text.find('\n');
    // The name may hold " (" itself: the last one on the first line opens the id.
    if (firstLineEnd != std::string_view::npos)
        open = text.substr(0, firstLineEnd).rfind(" (");
    auto runtime = field(text, "se.sum_exec_runtime");
    auto switches = field(text, "nr_switches");
    auto voluntary = field(text, "nr_voluntary_switches");
    if (open == std::string_view::npos || !runtime || !switches || !voluntary)
        return false;
    sample.name = std::string(text.substr(0, open));
    sample.counters.runtimeMs = *runtime;
    sample.counters.switches = static_cast<uint64_t>(*switches);
    sample.counters.voluntary = static_cast<uint64_t>(*voluntary);
    return true;
}

std::vector<int> ListThreads(int pid)
{
    std::vector<int> tids;
    DIR* folder = opendir(("/proc/" + std::to_string(pid) + "/task").c_str());
    if (!folder)
        return tids;
    while (dirent* entry = readdir(folder))
        if (int tid = std::atoi(entry->d_name); tid > 0)
            tids.push_back(tid);
    closedir(folder);
    return tids;
}

bool ReadThread(int pid, int tid, ThreadSample& sample)
{
    const std::string thread = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid);
    sample.tid = tid;
    auto sched = ReadProcFile(thread + "/sched");
    if (!(sched ? ParseSched(*sched, sample) : readFromStatAndStatus(thread, sample)))
        return false;
    if (tid == pid)
        sample.name = "main";
    return true;
}

std::vector<ThreadSample> ReadThreads(int pid)
{
    std::vector<ThreadSample> threads;
    for (int tid : ListThreads(pid))
        if (ThreadSample sample; ReadThread(pid, tid, sample))
            threads.push_back(std::move(sample));
    return threads;
}

std::optional<double> ProcessCpuMs(int pid)
{
    auto stat = ReadProcFile("/proc/" + std::to_string(pid) + "/stat");
    if (!stat)
        return std::nullopt;
    std::vector<std::string> fields = statFields(*stat);
    if (fields.size() < 13)
        return std::nullopt;
    return ticksToMs(fields);
}

MemoryFigures ReadMemory(int pid)
{
    MemoryFigures memory;
    const std::string folder = "/proc/" + std::to_string(pid);
    auto kb = [](const std::optional<std::string>& text, std::string_view key) {
        auto value = text ? field(*text, key) : std::nullopt;
        return value ? static_cast<uint64_t>(*value) : 0;
    };
    auto rollup = ReadProcFile(folder + "/smaps_rollup");
    memory.rssKb = kb(rollup, "Rss");
    memory.pssKb = kb(rollup, "Pss");
    memory.ussKb = kb(rollup, "Private_Clean") + kb(rollup, "Private_Dirty");
    memory.peakKb = kb(ReadProcFile(folder + "/status"), "VmHWM");
    return memory;
}

} // namespace bench
