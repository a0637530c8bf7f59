// A malformed SIMULATED_* value ends each program that reads them in the same
// way: "<Program>: <what is wrong>" on standard error, exit status 2, before a
// window opens or a settings file is written.

#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

namespace {

using processtest::Finished;
using processtest::ProgramRun;
using namespace std::chrono_literals;

struct Case {
    const char* program;
    const char* name;
    const char* variable;
    const char* value;
};

class MalformedSimulation : public ::testing::TestWithParam<Case> {};

TEST_P(MalformedSimulation, EndsWithStatusTwoAndNamesTheVariable)
{
    const Case c = GetParam();
    ProgramRun run(c.program, c.name, c.name);
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", processtest::uniqueMachine()},
                           {"SIMULATED_CPU", "i7-2600k"},
                           {c.variable, c.value},
                           {"QT_QPA_PLATFORM", "offscreen"}}));
    const Finished finished = run.finished(20s);
    ASSERT_TRUE(finished.exited);
    ASSERT_TRUE(WIFEXITED(finished.status)) << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 2) << run.output();
    EXPECT_EQ(run.output().rfind(std::string(c.name) + ": " + c.variable, 0), 0u) << run.output();
    EXPECT_FALSE(std::filesystem::exists(run.settingsFile()));
}

INSTANTIATE_TEST_SUITE_P(Programs, MalformedSimulation,
                         ::testing::Values(Case{OSTREL_PROGRAM, "Ostrel", "SIMULATED_LOAD", "lots"},
                                           Case{OSTREL_HX_PROGRAM, "OstrelHX", "SIMULATED_READOUT", "1,x"},
                                           Case{SPARVEL_PROGRAM, "Sparvel", "SIMULATED_LOAD", "lots"},
                                           Case{SPARVEL_PROGRAM, "Sparvel", "SIMULATED_AFFINITY", "9-"}),
                         [](const auto& info) { return std::string(info.param.name) + std::to_string(info.index); });

} // namespace
