// The real turbo monitor on a simulated i7-2600K, ended by a termination
// signal after a few ticks: it must leave like its Exit command, through the
// window's shutdown, so the settings are written and the access layer is
// closed, and report success.

#include "platform/IniFile.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

namespace {

using processtest::Finished;
using processtest::ProgramRun;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SparvelTermination : public ::testing::TestWithParam<int> {};

TEST_P(SparvelTermination, WritesTheSettingsAndClosesTheAccessLayer)
{
    ProgramRun run(SPARVEL_PROGRAM, "Sparvel", "Sparvel");
    // "Excel" is read as non-zero and written back as "1": a file that reads
    // "1" afterwards was rewritten by the program's shutdown.
    run.writeSettings("LoadFilter=75\nExcel=5\n");
    const fs::path audit = run.file("audit.txt");
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", processtest::uniqueMachine()},
                           {"SIMULATED_CPU", "i7-2600k"},
                           {"SIMULATED_LOAD", "20"},
                           {"SIMULATED_AUDIT", audit.string()},
                           {"QT_QPA_PLATFORM", "offscreen"}}));

    ASSERT_TRUE(run.waitUntil([&] { return run.catches(SIGTERM) && run.catches(SIGINT) && run.catches(SIGHUP); }, 20s))
        << "the program does not handle the termination signals\n"
        << run.output();
    // A couple of ticks, so the signal meets a running window.
    std::this_thread::sleep_for(2s);
    ASSERT_FALSE(run.finished(0ms).exited) << run.output();

    run.signal(GetParam());
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end";
    ASSERT_TRUE(WIFEXITED(finished.status)) << "ended by signal " << WTERMSIG(finished.status) << "\n" << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 0);

    const platform::IniFile settings(run.settingsFile().string());
    EXPECT_EQ(settings.readString("Sparvel", "LoadFilter", "absent"), "75");
    EXPECT_EQ(settings.readString("Sparvel", "Excel", "absent"), "1");
    // The simulated processor writes its audit when the access layer is closed.
    ASSERT_TRUE(fs::exists(audit)) << "the access layer was not closed";
    EXPECT_GT(fs::file_size(audit), 0u);
}

INSTANTIATE_TEST_SUITE_P(Signals, SparvelTermination, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         processtest::signalName);

} // namespace
