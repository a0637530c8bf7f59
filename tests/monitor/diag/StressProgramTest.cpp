#include "StressHelper.h"

#include "monitor/diag/StressProgram.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <fstream>
#include <thread>

using namespace monitor;

namespace {

bool processExists(pid_t pid) { return kill(pid, 0) == 0; }

// Polls a condition that a child process makes true (never a timing assertion).
template <typename Fn>
bool eventually(Fn&& condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

std::string readFirstLine(const std::string& path)
{
    std::string line;
    std::getline(std::ifstream(path), line);
    return line;
}

TEST(StressProgram, EndingItEndsWhatItStartedToo)
{
    QTemporaryDir dir;
    const std::string pidFile = (dir.path() + "/inner").toStdString();
    const std::string helper =
        diagtest::writeScript(dir, "parent", "sleep 600 &\necho $! > " + pidFile + "\nexec sleep 600");
    StressProgram program(std::nullopt);
    ASSERT_TRUE(program.start(helper, {}));
    ASSERT_TRUE(eventually([&] { return !readFirstLine(pidFile).empty(); }));
    const pid_t inner = std::stoi(readFirstLine(pidFile));
    const pid_t outer = program.pid();
    EXPECT_TRUE(program.alive());

    program.terminate();
    EXPECT_FALSE(program.alive());
    EXPECT_FALSE(processExists(outer));
    EXPECT_TRUE(eventually([&] { return !processExists(inner); })); // reaped by init
}

TEST(StressProgram, OneThatEndsByItselfIsNotAlive)
{
    QTemporaryDir dir;
    StressProgram program(std::nullopt);
    ASSERT_TRUE(program.start(diagtest::quittingHelper(dir), {}));
    // Collected, not left as a zombie that kill(pid, 0) would still find.
    EXPECT_TRUE(eventually([&] { return !program.alive(); }));
    EXPECT_FALSE(processExists(program.pid()));
}

TEST(StressProgram, ProgramsThatCannotStart)
{
    QTemporaryDir dir;
    const std::string notExecutable = (dir.path() + "/data.txt").toStdString();
    std::ofstream(notExecutable) << "text\n";
    for (const std::string& path : {notExecutable, (dir.path() + "/missing").toStdString()}) {
        StressProgram program(std::nullopt);
        EXPECT_FALSE(program.start(path, {})) << path;
        EXPECT_FALSE(program.alive());
    }
}

TEST(StressProgram, RunsOnTheGivenProcessors)
{
    QTemporaryDir dir;
    StressProgram program(std::nullopt);
    ASSERT_TRUE(program.start(diagtest::sleepingHelper(dir), platform::CpuSet::of(0)));
    std::string allowed;
    std::ifstream status("/proc/" + std::to_string(program.pid()) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Cpus_allowed_list:", 0) == 0)
            allowed = line.substr(line.find_first_not_of(" \t", 18));
    EXPECT_EQ(allowed, "0");
}

} // namespace
