// The real program on a simulated i7-2600K, ended by a termination signal:
// the full shutdown runs, so clock modulation ends at 0 on every processor
// and the shutdown keys are saved. The six-core program on a simulated
// i7-980X shows that it was compiled for six cores; the many-core program
// logs and watches every core of a two-socket Xeon and keeps to its own
// settings file.

#include "platform/IniFile.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <iterator>
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

#ifdef OSTREL_XL_PROGRAM
std::vector<std::string> wordsOf(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

std::string fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the program with the log on until it has written two lines, then
// ends it with SIGTERM.
void runUntilLogged(ProgramRun& run, const std::map<std::string, std::string>& variables,
                    const std::function<bool()>& alsoReady = {})
{
    fs::create_directory(run.file("runtime"));
    fs::permissions(run.file("runtime"), fs::perms::owner_all);
    std::map<std::string, std::string> all = variables;
    all["SIMULATED_MACHINE"] = processtest::uniqueMachine();
    all["SIMULATED_LOAD"] = "20";
    all["QT_QPA_PLATFORM"] = "offscreen";
    all["XDG_RUNTIME_DIR"] = run.file("runtime").string();
    ASSERT_TRUE(run.start(all));
    const fs::path log = run.file("OstrelLog.txt");
    ASSERT_TRUE(run.waitUntil([&] { return lineCount(log) >= 3 && (!alsoReady || alsoReady()); }, 30s))
        << run.output();
    run.signal(SIGTERM);
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end";
    ASSERT_TRUE(WIFEXITED(finished.status)) << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 0);
}

// 32 cores of two packages: a log column per core, TjMax (90) less each
// core's readout, and an alarm temperature that only core 31 reaches.
TEST(OstrelXLProgram, LogsEveryCoreAndItsLastCoreAloneRaisesTheAlarm)
{
    ProgramRun run(OSTREL_XL_PROGRAM, "OstrelXL", "Ostrel");
    const fs::path alarmed = run.file("alarmed");
    const fs::path script = run.file("alarm.sh");
    std::ofstream(script) << "#!/bin/sh\ntouch '" << alarmed.string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
    run.writeSettings("LogFile=1\nLogInterval=1\nHDWrite=1\nAlarm=1\nAlarm1=55\nAlarmFile=" + script.string() +
                      "\n");
    std::vector<int> readouts;
    std::string pinned;
    for (int core = 0; core < 32; ++core) {
        readouts.push_back(core < 31 ? 40 + core : 30); // 50 °C down to 20 °C; core 31 at 60 °C
        pinned += (core ? "," : "") + std::to_string(readouts.back());
    }
    runUntilLogged(run, {{"SIMULATED_CPU", "xeon-4514y-2s"}, {"SIMULATED_READOUT", pinned}},
                   [&] { return fs::exists(alarmed); });
    EXPECT_TRUE(fs::exists(alarmed)) << "the alarm file did not run";

    std::ifstream in(run.file("OstrelLog.txt"));
    std::string header, line;
    std::getline(in, header);
    std::getline(in, line);
    std::string columns = "  DATE     TIME     MHz   ";
    for (int core = 0; core < 32; ++core)
        columns += "C" + std::to_string(core) + " ";
    EXPECT_EQ(header, columns + "LOAD%");
    // Date, time, clock, a temperature per core, load.
    const std::vector<std::string> words = wordsOf(line);
    ASSERT_EQ(words.size(), 3u + 32u + 1u) << line;
    for (int core = 0; core < 32; ++core)
        EXPECT_EQ(words[3 + core], std::to_string(90 - readouts[core])) << "core " << core;
}

// Run beside the four- and six-core builds' settings files, the many-core
// build writes only its own.
TEST(OstrelXLProgram, LeavesTheOtherBuildsSettingsFilesAsTheyWere)
{
    ProgramRun run(OSTREL_XL_PROGRAM, "OstrelXL", "Ostrel");
    const std::string fourCore = "[Ostrel]\r\nIconShow=15\r\nTjMax0=95\r\n; kept as it is\r\n[Pavolt]\r\nOneADEAX=0x0\r\n";
    const std::string sixCore = "[Ostrel]\nIdle5=1.5\nFontNumber=2\n";
    std::ofstream(run.file("Ostrel.ini"), std::ios::binary) << fourCore;
    std::ofstream(run.file("OstrelHX.ini"), std::ios::binary) << sixCore;
    run.writeSettings("LogFile=1\nLogInterval=1\nHDWrite=1\n");
    runUntilLogged(run, {{"SIMULATED_CPU", "i9-13900k"}});

    EXPECT_EQ(fileBytes(run.file("Ostrel.ini")), fourCore);
    EXPECT_EQ(fileBytes(run.file("OstrelHX.ini")), sixCore);
    const platform::IniFile settings(run.file("OstrelXL.ini").string());
    EXPECT_NE(settings.readString("Ostrel", "WindowXY", "absent"), "absent");
    EXPECT_EQ(settings.readString("Ostrel", "IconCores", "absent"), "0x1");
}
#endif

} // namespace
