// The real load generator, ended by a termination signal: it closes its
// window like the close box and reports success instead of being killed.

#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

using processtest::Finished;
using processtest::ProgramRun;
using namespace std::chrono_literals;

class MorvathTermination : public ::testing::TestWithParam<int> {};

TEST_P(MorvathTermination, ClosesTheWindowAndEndsWithSuccess)
{
    ProgramRun run(MORVATH_PROGRAM, "Morvath", "Morvath");
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", processtest::uniqueMachine()}, {"QT_QPA_PLATFORM", "offscreen"}}));
    ASSERT_TRUE(run.waitUntil([&] { return run.catches(SIGTERM) && run.catches(SIGINT) && run.catches(SIGHUP); }, 20s))
        << "the program does not handle the termination signals\n"
        << run.output();

    run.signal(GetParam());
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end";
    ASSERT_TRUE(WIFEXITED(finished.status)) << "ended by signal " << WTERMSIG(finished.status) << "\n" << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, MorvathTermination, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         processtest::signalName);

} // namespace
