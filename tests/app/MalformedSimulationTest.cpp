// A malformed SIMULATED_* value ends each program that reads them in the same
// way: "<Program>: <what is wrong>" on standard error, exit status 2, before a
// window opens or a settings file is written.

#include "tests/support/ProgramRun.h"

#include "registers/MsrIndex.h"
#include "sim/SimulatedMachine.h"
#include "sim/SimulatedProcessor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

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

// The file of a machine another program holds, overwritten or cut short by
// a program of the same user: a program that comes later says so and ends
// the same way; the holder (this test) goes on.
struct ForeignCase {
    const char* program;
    const char* name;
    bool truncate; // else the header is overwritten
};

class ForeignMachineFile : public ::testing::TestWithParam<ForeignCase> {};

TEST_P(ForeignMachineFile, EndsWithStatusTwoAndTheMessage)
{
    const ForeignCase c = GetParam();
    const std::string machine = processtest::uniqueMachine();
    sim::Options options;
    options.machineName = machine;
    sim::SimulatedCreation holder = sim::createSimulatedProcessor("i7-2600k", options);
    ASSERT_TRUE(holder.processor) << holder.error;
    const std::string file = sim::SimulatedMachine::defaultFolder() + "/" + machine + ".i7-2600k";
    if (c.truncate) {
        ASSERT_EQ(::truncate(file.c_str(), 0), 0);
    } else {
        const int fd = ::open(file.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "junk", 4, 0), 4);
        ::close(fd);
    }

    ProgramRun run(c.program, c.name, c.name);
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", machine},
                           {"SIMULATED_CPU", "i7-2600k"},
                           {"QT_QPA_PLATFORM", "offscreen"}}));
    const Finished finished = run.finished(20s);
    ASSERT_TRUE(finished.exited);
    ASSERT_TRUE(WIFEXITED(finished.status)) << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 2) << run.output();
    EXPECT_EQ(run.output().rfind(std::string(c.name) + ": SIMULATED_CPU: ", 0), 0u) << run.output();
    EXPECT_NE(run.output().find(file + " belongs to another build of these programs, or another program changed it"),
              std::string::npos)
        << run.output();
    EXPECT_FALSE(std::filesystem::exists(run.settingsFile()));

    uint32_t low = 0, high = 0;
    EXPECT_TRUE(holder.processor->readMsr(msr::IA32_THERM_STATUS, low, high)) << "the holder carries on";
}

INSTANTIATE_TEST_SUITE_P(Programs, ForeignMachineFile,
                         ::testing::Values(ForeignCase{OSTREL_PROGRAM, "Ostrel", false},
                                           ForeignCase{OSTREL_HX_PROGRAM, "OstrelHX", true},
                                           ForeignCase{SPARVEL_PROGRAM, "Sparvel", false},
                                           ForeignCase{SPARVEL_PROGRAM, "Sparvel", true}),
                         [](const auto& info) {
                             return std::string(info.param.name) + (info.param.truncate ? "Truncated" : "Overwritten");
                         });

} // namespace
