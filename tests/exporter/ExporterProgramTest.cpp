#include "ExporterProcess.h"

#include "registers/MsrIndex.h"
#include "sim/Profile.h"

#include <gtest/gtest.h>

#include <sstream>

#include <regex>
#include <set>

namespace exportertest {
namespace {

const std::vector<int> PinnedReadouts = {30, 31, 32, 33};

std::string pinnedReadoutText()
{
    std::string text;
    for (int readout : PinnedReadouts)
        text += (text.empty() ? "" : ",") + std::to_string(readout);
    return text;
}

// The value of `family`'s sample for core slot `core`; -1 when absent.
int coreValue(const std::string& metrics, const std::string& family, int core)
{
    const std::regex line(family + R"(\{package="0",core=")" + std::to_string(core) + R"(",cpu="\d+"\} (-?\d+)\n)");
    std::smatch match;
    return std::regex_search(metrics, match, line) ? std::stoi(match[1]) : -1;
}

bool isStatus(const std::string& answer, int code)
{
    return answer.rfind("HTTP/1.1 " + std::to_string(code) + " ", 0) == 0;
}

TEST(ExporterProgram, ServesThePinnedTemperaturesOfTheSimulatedI7_2600K)
{
    ExporterProcess exporter;
    ASSERT_TRUE(exporter.start({"--listen", "127.0.0.1:0"},
                               {{"SIMULATED_CPU", "i7-2600k"}, {"SIMULATED_READOUT", pinnedReadoutText()}}));
    const uint16_t port = exporter.servingPort();
    ASSERT_NE(port, 0) << exporter.output();
    const std::string answer = get(port, "/metrics");
    ASSERT_TRUE(isStatus(answer, 200)) << answer;
    EXPECT_NE(answer.find("Content-Type: text/plain; version=0.0.4"), std::string::npos) << answer;
    for (int core = 0; core < static_cast<int>(PinnedReadouts.size()); ++core) {
        SCOPED_TRACE("core " + std::to_string(core));
        const int tjMax = coreValue(answer, "ostrel_core_tjmax_celsius", core);
        EXPECT_GE(tjMax, 90); // the i7-2600K's TjMax from its temperature target
        EXPECT_EQ(coreValue(answer, "ostrel_core_distance_to_tjmax_celsius", core), PinnedReadouts[core]);
        EXPECT_EQ(coreValue(answer, "ostrel_core_temperature_celsius", core), tjMax - PinnedReadouts[core]);
    }
    EXPECT_EQ(coreValue(answer, "ostrel_core_temperature_celsius", 4), -1) << "the i7-2600K has four cores";
}

// A processor mapped from its topology leaves is exported whole: every core
// of both Xeon sockets under its own package, and the i9-13900K's cores with
// their types.
TEST(ExporterProgram, EveryCoreIsExportedWithItsPackageAndType)
{
    struct Case {
        const char* profile;
        int cores;
        const char* label;  // counted among the cores
        int labelled;
        const char* tjMax;
    };
    for (const Case& c : {Case{"xeon-4514y-2s", 32, "package=\"1\"", 16, " 90"},
                          Case{"i9-13900k", 24, "core_type=\"E\"", 16, " 100"}}) {
        SCOPED_TRACE(c.profile);
        ExporterProcess exporter;
        ASSERT_TRUE(exporter.start({"--once"}, {{"SIMULATED_CPU", c.profile}}));
        ASSERT_EQ(exporter.wait(), 0) << exporter.output();
        std::istringstream lines(exporter.output());
        int cores = 0;
        int labelled = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("ostrel_core_tjmax_celsius{", 0) != 0)
                continue;
            ++cores;
            labelled += line.find(c.label) != std::string::npos ? 1 : 0;
            EXPECT_TRUE(line.ends_with(c.tjMax)) << line;
        }
        EXPECT_EQ(cores, c.cores);
        EXPECT_EQ(labelled, c.labelled);
    }
}

TEST(ExporterProgram, OtherPathsGet404AndMalformedRequestsDoNotEndIt)
{
    ExporterProcess exporter;
    ASSERT_TRUE(exporter.start({"--listen", "127.0.0.1:0"}, {{"SIMULATED_CPU", "q6600"}}));
    const uint16_t port = exporter.servingPort();
    ASSERT_NE(port, 0) << exporter.output();

    for (const char* path : {"/", "/metrics/", "/metricsx", "/debug/pprof", "/../metrics"}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(isStatus(get(port, path), 404));
    }
    EXPECT_TRUE(isStatus(sendRequest(port, "POST /metrics HTTP/1.1\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"), 404));

    const std::string malformed[] = {
        std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11), // a TLS hello
        "GET\r\n\r\n",
        "GET /metrics HTTP/1.1\r\nContent-Length: -5\r\n\r\n",
        "GET /metrics HTTP/9.9\r\nHost: \x01\x02\r\n\r\n",
        "GET /" + std::string(200000, 'a') + " HTTP/1.1\r\n\r\n",
        "GET /metrics HTTP/1.1\r\nX: " + std::string(200000, 'b') + "\r\n\r\n",
        "GET /metrics HTT", // cut off
    };
    for (const std::string& request : malformed) {
        SCOPED_TRACE(request.substr(0, 40));
        sendRequest(port, request, 300ms);
        ASSERT_TRUE(exporter.running()) << exporter.output();
        EXPECT_TRUE(isStatus(get(port, "/metrics"), 200));
    }
}

TEST(ExporterProgram, SigtermEndsItCleanlyWithoutTouchingClockModulation)
{
    ExporterProcess exporter;
    const fs::path audit = exporter.dir() / "audit.txt";
    ASSERT_TRUE(exporter.start({"--listen", "127.0.0.1:0", "--interval", "0.1"},
                               {{"SIMULATED_CPU", "i7-2600k"}, {"SIMULATED_AUDIT", audit.string()}}));
    ASSERT_NE(exporter.servingPort(), 0) << exporter.output();
    std::this_thread::sleep_for(300ms); // a few samples
    const int status = exporter.endWith(SIGTERM);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << exporter.output();

    // The audit is written when the register access closes: only on a clean end.
    const std::string records = readFile(audit);
    ASSERT_FALSE(records.empty()) << "no audit: the register access was not closed";
    const std::set<uint32_t> counterEnables = {msr::IA32_PERF_GLOBAL_CTRL, msr::IA32_PERFEVTSEL0,
                                               msr::IA32_PERFEVTSEL1, msr::IA32_MISC_ENABLE};
    std::istringstream lines(records);
    int writes = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("write ", 0) != 0)
            continue;
        ++writes;
        std::istringstream fields(line.substr(6));
        int cpu = 0;
        std::string index;
        fields >> cpu >> index;
        EXPECT_TRUE(counterEnables.count(static_cast<uint32_t>(std::stoul(index, nullptr, 16)))) << line;
    }
    EXPECT_GT(writes, 0) << "the counters were never started";
}

TEST(ExporterProgram, PromtoolAcceptsTheOutputOfEverySimulatedProfile)
{
    if (::access("/usr/bin/promtool", X_OK) != 0)
        GTEST_SKIP() << "promtool is missing: install Debian's prometheus package (scripts/setup does)";
    for (const sim::Profile& profile : sim::profiles()) {
        const std::string name(profile.name);
        SCOPED_TRACE(name);
        ExporterProcess exporter;
        const fs::path textfile = exporter.dir() / "ostrel.prom";
        ASSERT_TRUE(exporter.start({"--once", "--textfile", textfile.string()},
                                   {{"SIMULATED_CPU", name}, {"SIMULATED_GPU", "nvidia:1,ati:1"}}));
        const int status = exporter.wait();
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << exporter.output();
        const std::string metrics = readFile(textfile);
        EXPECT_NE(metrics.find("ostrel_core_temperature_celsius{"), std::string::npos) << metrics;
        EXPECT_NE(metrics.find("ostrel_gpu_temperature_celsius{gpu=\"ati\"}"), std::string::npos) << metrics;

        const fs::path checked = exporter.dir() / "promtool.txt";
        const pid_t promtool = spawnWith({"/bin/sh", "-c", "exec promtool check metrics < \"$0\"", textfile.string()},
                                         {}, checked);
        ASSERT_GT(promtool, 0);
        int promtoolStatus = -1;
        ::waitpid(promtool, &promtoolStatus, 0);
        EXPECT_TRUE(WIFEXITED(promtoolStatus) && WEXITSTATUS(promtoolStatus) == 0) << readFile(checked) << metrics;
    }
}

} // namespace
} // namespace exportertest
