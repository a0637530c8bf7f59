// The real program on a simulated i7-2600K, ended by a termination signal:
// the full shutdown runs, so clock modulation ends at 0 on every processor
// and the shutdown keys are saved. The six-core program on a simulated
// i7-980X shows that it was compiled for six cores.

#include "platform/IniFile.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using processtest::Finished;
using processtest::ProgramRun;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int SimulatedCpus = 8;
constexpr uint32_t ClockModulationRegister = 0x19A;

int lineCount(const fs::path& path)
{
    std::ifstream in(path);
    int lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}

struct Audit {
    std::map<int, uint64_t> finalClockModulation;       // per CPU
    std::map<int, std::vector<uint64_t>> clockModWrites; // per CPU, in order
};

Audit readAudit(const fs::path& path)
{
    Audit audit;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string kind;
        int cpu = -1;
        std::string index;
        std::string value;
        fields >> kind >> cpu >> index >> value;
        // Read lines ("read", "cpuid", "rdtsc") carry no value.
        if ((kind != "write" && kind != "final") || std::stoul(index, nullptr, 16) != ClockModulationRegister)
            continue;
        const uint64_t number = std::stoull(value, nullptr, 16);
        if (kind == "final")
            audit.finalClockModulation[cpu] = number;
        else if (kind == "write")
            audit.clockModWrites[cpu].push_back(number);
    }
    return audit;
}

class TerminationSignal : public ::testing::TestWithParam<int> {};

TEST_P(TerminationSignal, RunsTheWholeShutdown)
{
    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    const fs::path log = run.file("log.txt");
    run.writeSettings("ClockMod=24\nLogFile=1\nLogInterval=1\nHDWrite=1\nLogFileName=" + (run.dir() / "log").string() +
                      "\n");
    fs::create_directory(run.file("runtime"));
    fs::permissions(run.file("runtime"), fs::perms::owner_all);
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", processtest::uniqueMachine()},
                           {"SIMULATED_CPU", "i7-2600k"},
                           {"SIMULATED_LOAD", "20"},
                           {"SIMULATED_AUDIT", run.file("audit.txt").string()},
                           {"QT_QPA_PLATFORM", "offscreen"},
                           {"XDG_RUNTIME_DIR", run.file("runtime").string()}}));

    // Two log lines under the header: the program has started and ticks.
    ASSERT_TRUE(run.waitUntil([&] { return lineCount(log) >= 3; }, 30s)) << run.output();
    run.signal(GetParam());
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end";
    ASSERT_TRUE(WIFEXITED(finished.status)) << "ended by signal " << WTERMSIG(finished.status) << "\n" << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 0);

    const Audit audit = readAudit(run.file("audit.txt"));
    ASSERT_EQ(audit.finalClockModulation.size(), size_t(SimulatedCpus)) << "audit file missing or short";
    for (const auto& [cpu, value] : audit.finalClockModulation)
        EXPECT_EQ(value, 0u) << "cpu " << cpu;
    for (int cpu = 0; cpu < SimulatedCpus; ++cpu) {
        const std::vector<uint64_t>& writes = audit.clockModWrites.at(cpu);
        EXPECT_EQ(writes.front(), 24u) << "cpu " << cpu; // from the settings at start-up
        EXPECT_EQ(writes.back(), 0u) << "cpu " << cpu;   // at shutdown
    }

    const platform::IniFile settings(run.file("Ostrel.ini").string());
    EXPECT_EQ(settings.readInt("Ostrel", "ClockMod", -1), 24);
    EXPECT_EQ(settings.readString("Ostrel", "MiniMode", "absent"), "0");
    // The offscreen platform has no notification area: the core 0 icon was
    // refused twice at the first tick and is off for the run, but the file
    // keeps it (IconShow's default) for a start with a notification area.
    EXPECT_EQ(settings.readString("Ostrel", "IconShow", "absent"), "1");
    EXPECT_EQ(settings.readString("Ostrel", "InfoWindowIndex", "absent"), "0");
    EXPECT_NE(settings.readString("Ostrel", "WindowXY", "absent"), "absent");
    EXPECT_NE(settings.readInt("Ostrel", "WindowXY", 0), 0);
    EXPECT_EQ(settings.readString("Ostrel", "LogFileName", "absent"), (run.dir() / "log").string());
    // Every line the program collected reached the file.
    EXPECT_GE(lineCount(log), 3);
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         processtest::signalName);

TEST(OstrelProgram, UnknownSimulatedProcessorEndsWithTheProfileList)
{
    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", processtest::uniqueMachine()}, {"SIMULATED_CPU", "pentium-pro"}}));
    const Finished finished = run.finished(20s);
    ASSERT_TRUE(finished.exited);
    ASSERT_TRUE(WIFEXITED(finished.status));
    EXPECT_NE(WEXITSTATUS(finished.status), 0);
    EXPECT_NE(run.output().find("i7-2600k"), std::string::npos) << run.output();
    EXPECT_FALSE(fs::exists(run.file("Ostrel.ini")));
}

#ifdef OSTREL_HX_PROGRAM
TEST(OstrelHXProgram, SixCoreBuildLogsSixColumnsAndKeepsItsOwnSettingsFile)
{
    ProgramRun run(OSTREL_HX_PROGRAM, "OstrelHX", "Ostrel");
    run.writeSettings("LogFile=1\nLogInterval=1\nHDWrite=1\nLogFileName=elsewhere\n");
    fs::create_directory(run.file("runtime"));
    fs::permissions(run.file("runtime"), fs::perms::owner_all);
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", processtest::uniqueMachine()},
                           {"SIMULATED_CPU", "i7-980x"},
                           {"SIMULATED_LOAD", "20"},
                           {"QT_QPA_PLATFORM", "offscreen"},
                           {"XDG_RUNTIME_DIR", run.file("runtime").string()}}));

    // The log name is fixed in this build: OstrelLog.txt in the working folder.
    const fs::path log = run.file("OstrelLog.txt");
    ASSERT_TRUE(run.waitUntil([&] { return lineCount(log) >= 3; }, 30s)) << run.output();
    run.signal(SIGTERM);
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end";
    ASSERT_TRUE(WIFEXITED(finished.status)) << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 0);

    std::ifstream in(log);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "  DATE     TIME     MHz   C0 C1 C2 C3 C4 C5 LOAD%");
    EXPECT_FALSE(fs::exists(run.file("elsewhere.txt")));

    const platform::IniFile settings(run.file("OstrelHX.ini").string());
    EXPECT_NE(settings.readString("Ostrel", "WindowXY", "absent"), "absent");
    // The four-core build's shutdown keys are not this build's.
    EXPECT_EQ(settings.readString("Ostrel", "InfoWindowIndex", "absent"), "absent");
    EXPECT_FALSE(fs::exists(run.file("Ostrel.ini")));
}
#endif

} // namespace
