// Programs on one simulated machine see one processor: turbo switched off by
// another program (here the test itself, attached to the same machine as the
// turbo monitor's switch would be) shows in the running Ostrel within two
// ticks, as the base ratio instead of the turbo bin.

#include "backend/ProcessorSelection.h"
#include "registers/MsrIndex.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace {

using processtest::ProgramRun;
using namespace std::chrono_literals;

// The MHz column of each line of Ostrel's text log.
std::vector<double> loggedMHz(const std::filesystem::path& log)
{
    std::vector<double> figures;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string date, time;
        double mhz = 0;
        if (fields >> date >> time >> mhz && date.find('/') != std::string::npos)
            figures.push_back(mhz);
    }
    return figures;
}

TEST(SharedMachine, TurboSwitchedOffElsewhereShowsInOstrelWithinTwoTicks)
{
    const std::string machine = processtest::uniqueMachine();
    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    const std::filesystem::path log = run.file("log.txt");
    run.writeSettings("LogFile=1\nLogInterval=1\nHDWrite=1\nLogFileName=" + (run.dir() / "log").string() + "\n");
    std::filesystem::create_directory(run.file("runtime"));
    std::filesystem::permissions(run.file("runtime"), std::filesystem::perms::owner_all);
    const std::map<std::string, std::string> simulation{
        {"SIMULATED_MACHINE", machine}, {"SIMULATED_CPU", "i7-2600k"}, {"SIMULATED_LOAD", "100"}};
    std::map<std::string, std::string> variables = simulation;
    variables["QT_QPA_PLATFORM"] = "offscreen";
    variables["XDG_RUNTIME_DIR"] = run.file("runtime").string();
    ASSERT_TRUE(run.start(variables));

    // Four busy cores: the four-core turbo bin, 35 x 100 MHz.
    ASSERT_TRUE(run.waitUntil([&] { return loggedMHz(log).size() >= 3; }, 30s)) << run.output();
    EXPECT_NEAR(loggedMHz(log).back(), 3500.0, 35.0);

    backend::ProcessorSelection other = backend::selectProcessor([&](const char* name) -> const char* {
        const auto found = simulation.find(name);
        return found == simulation.end() ? nullptr : found->second.c_str();
    });
    ASSERT_TRUE(other.ok()) << other.error;
    other.processor->initialise();
    for (int cpu = 0; cpu < 8; ++cpu) {
        ASSERT_FALSE(other.processor->setThreadAffinity(platform::CpuSet::of(cpu)).empty());
        uint32_t low = 0, high = 0;
        ASSERT_TRUE(other.processor->readMsr(msr::IA32_MISC_ENABLE, low, high));
        const uint64_t value = msr::misc_enable::TurboDisengage.set((uint64_t(high) << 32) | low, 1);
        ASSERT_TRUE(other.processor->writeMsr(msr::IA32_MISC_ENABLE, msr::lowHalf(value), msr::highHalf(value)));
    }
    const size_t before = loggedMHz(log).size();
    ASSERT_TRUE(run.waitUntil([&] { return loggedMHz(log).size() >= before + 2; }, 30s)) << run.output();
    EXPECT_NEAR(loggedMHz(log).at(before + 1), 3400.0, 34.0) << "the second tick after the switch";

    run.signal(SIGTERM);
    EXPECT_TRUE(run.finished(30s).exited);
    other.processor->deinitialise();
}

} // namespace
