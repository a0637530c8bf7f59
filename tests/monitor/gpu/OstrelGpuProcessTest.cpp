// The real program with SIMULATED_GPU: both sensors open on simulated GPUs
// that follow the simulated load, and the log carries their temperature.

#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using processtest::Finished;
using processtest::ProgramRun;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::vector<std::string> lines(const fs::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> all;
    for (std::string line; std::getline(in, line);)
        all.push_back(line);
    return all;
}

TEST(OstrelGpuProgram, SimulatedGpusHeatUpWithTheLoadAndAreLogged)
{
    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    const fs::path log = run.file("log.txt");
    run.writeSettings("GPU=3\nLogFile=1\nLogInterval=1\nHDWrite=1\nLogFileName=" + (run.dir() / "log").string() + "\n");
    fs::create_directory(run.file("runtime"));
    fs::permissions(run.file("runtime"), fs::perms::owner_all);
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", processtest::uniqueMachine()},
                           {"SIMULATED_CPU", "i7-2600k"},
                           {"SIMULATED_LOAD", "100"},
                           {"SIMULATED_GPU", "nvidia:1,ati:2"},
                           {"QT_QPA_PLATFORM", "offscreen"},
                           {"XDG_RUNTIME_DIR", run.file("runtime").string()}}));
    ASSERT_TRUE(run.waitUntil([&] { return lines(log).size() >= 3; }, 30s)) << run.output();
    run.signal(SIGTERM);
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited && WIFEXITED(finished.status)) << run.output();

    const std::vector<std::string> text = lines(log);
    EXPECT_EQ(text[0].substr(text[0].size() - 3), "GPU") << text[0];
    const int gpu = std::stoi(text[2].substr(text[2].find_last_of(' ') + 1));
    EXPECT_GE(gpu, 80) << text[2]; // fully loaded: about 85 °C and more
    EXPECT_LE(gpu, 90) << text[2];
}

} // namespace
