// SIMULATED_CPU chooses the backend: a profile name gives the simulated
// processor, an unknown name an error listing the profiles, unset or empty
// the host's own registers.

#include "backend/ProcessorSelection.h"

#include "registers/MsrIndex.h"
#include "platform/LinuxProcessor.h"
#include "sim/SimulatedProcessor.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include <unistd.h>

namespace {

backend::EnvironmentLookup environment(std::map<std::string, std::string> variables)
{
    return [variables = std::move(variables)](const char* name) -> const char* {
        auto it = variables.find(name);
        return it == variables.end() ? nullptr : it->second.c_str();
    };
}

std::string uniqueMachine()
{
    static int count = 0;
    return "selection-test-" + std::to_string(::getpid()) + "-" + std::to_string(++count);
}

TEST(ProcessorSelection, AProfileNameGivesTheSimulatedProcessor)
{
    backend::ProcessorSelection selection = backend::selectProcessor(
        environment({{"SIMULATED_CPU", "I7-2600K"}, {"SIMULATED_LOAD", "25"}, {"SIMULATED_GPU", "nvidia:1"},
                     {"SIMULATED_AFFINITY", "0-1,4-5"}, {"SIMULATED_MACHINE", uniqueMachine()}}));
    ASSERT_TRUE(selection.ok()) << selection.error;
    ASSERT_NE(selection.simulated, nullptr);
    EXPECT_EQ(static_cast<platform::Processor*>(selection.simulated), selection.processor.get());
    EXPECT_EQ(backend::simulatedProcessor(*selection.processor), selection.simulated);
    EXPECT_EQ(selection.simulated->profile().name, "i7-2600k");
    EXPECT_EQ(selection.simulated->options().fixedLoadPercent, 25.0);
    EXPECT_EQ(selection.simulated->simulatedGpus().nvidia, 1);
    EXPECT_EQ(selection.simulated->allowedCpus().lowMask(), 0x33u);
    EXPECT_EQ(selection.processor->status(), 0);
    EXPECT_TRUE(selection.processor->capabilityTest());
}

TEST(ProcessorSelection, RecordsOfEveryAccessAreKeptOnlyForTheAuditFile)
{
    // A monitor runs for days: without SIMULATED_AUDIT nothing would ever
    // read the records, so none are kept.
    for (const bool audit : {false, true}) {
        SCOPED_TRACE(audit ? "SIMULATED_AUDIT set" : "no SIMULATED_AUDIT");
        std::map<std::string, std::string> variables{{"SIMULATED_CPU", "i7-2600k"},
                                                     {"SIMULATED_MACHINE", uniqueMachine()}};
        if (audit)
            variables["SIMULATED_AUDIT"] = testing::TempDir() + "selection-audit.txt";
        backend::ProcessorSelection selection = backend::selectProcessor(environment(variables));
        ASSERT_TRUE(selection.ok()) << selection.error;
        uint32_t low = 0, high = 0;
        ASSERT_TRUE(selection.processor->readMsr(msr::IA32_THERM_STATUS, low, high));
        ASSERT_TRUE(selection.processor->writeMsr(msr::IA32_PERF_CTL, 0x1000, 0));
        EXPECT_EQ(selection.simulated->reads().size(), audit ? 1u : 0u);
        EXPECT_EQ(selection.simulated->writes().size(), audit ? 1u : 0u);
    }
}

TEST(ProcessorSelection, AnUnknownNameListsTheProfiles)
{
    backend::ProcessorSelection selection = backend::selectProcessor(environment({{"SIMULATED_CPU", "pentium4"}}));
    EXPECT_FALSE(selection.ok());
    EXPECT_EQ(selection.simulated, nullptr);
    EXPECT_NE(selection.error.find("pentium4"), std::string::npos);
    for (const sim::Profile& profile : sim::profiles())
        EXPECT_NE(selection.error.find(std::string(profile.name)), std::string::npos) << profile.name;
}

TEST(ProcessorSelection, MalformedSimulationVariablesAreErrors)
{
    for (const char* variable : {"SIMULATED_LOAD", "SIMULATED_READOUT", "SIMULATED_GPU", "SIMULATED_AFFINITY"}) {
        backend::ProcessorSelection selection =
            backend::selectProcessor(environment({{"SIMULATED_CPU", "e8400"}, {variable, "bogus"}}));
        EXPECT_FALSE(selection.ok()) << variable;
        EXPECT_NE(selection.error.find(variable), std::string::npos) << selection.error;
    }
}

TEST(ProcessorSelection, UnsetOrEmptyGivesTheHostProcessor)
{
    for (auto variables : {std::map<std::string, std::string>{}, {{"SIMULATED_CPU", ""}}}) {
        EXPECT_FALSE(backend::simulatedRequested(environment(variables)));
        backend::ProcessorSelection selection = backend::selectProcessor(environment(variables));
        ASSERT_TRUE(selection.ok());
        EXPECT_EQ(selection.simulated, nullptr);
        EXPECT_NE(dynamic_cast<platform::LinuxProcessor*>(selection.processor.get()), nullptr);
        EXPECT_EQ(backend::simulatedProcessor(*selection.processor), nullptr);
    }
    EXPECT_TRUE(backend::simulatedRequested(environment({{"SIMULATED_CPU", "nonsense"}})));
}

TEST(ProcessorSelection, SimulatedMachineNamesTheSharedMachine)
{
    const std::string name = uniqueMachine();
    const auto select = [](const std::string& machine) {
        std::map<std::string, std::string> variables{{"SIMULATED_CPU", "i7-2600k"}, {"SIMULATED_LOAD", "100"}};
        if (!machine.empty())
            variables["SIMULATED_MACHINE"] = machine;
        return backend::selectProcessor(environment(variables));
    };
    backend::ProcessorSelection first = select(name);
    backend::ProcessorSelection second = select(name);
    backend::ProcessorSelection elsewhere = select(uniqueMachine());
    ASSERT_TRUE(first.ok() && second.ok() && elsewhere.ok());
    uint64_t misc = first.simulated->peek(0, msr::IA32_MISC_ENABLE).value_or(0);
    ASSERT_TRUE(first.simulated->poke(0, msr::IA32_MISC_ENABLE, msr::misc_enable::TurboDisengage.set(misc, 1)));
    const auto ratio = [](backend::ProcessorSelection& selection) {
        return msr::perf_status::OperatingRatio.get(selection.simulated->peek(0, msr::IA32_PERF_STATUS).value_or(0));
    };
    EXPECT_EQ(ratio(second), 34u);
    EXPECT_EQ(ratio(elsewhere), 35u);

    backend::ProcessorSelection unnamed = select("");
    ASSERT_TRUE(unnamed.ok());
    EXPECT_EQ(unnamed.simulated->options().machineName, "default");
}

TEST(ProcessorSelection, ReadsTheProcessEnvironmentByDefault)
{
    setenv("SIMULATED_CPU", "n270", 1);
    const std::string machine = uniqueMachine();
    setenv("SIMULATED_MACHINE", machine.c_str(), 1);
    backend::ProcessorSelection selection = backend::selectProcessor();
    unsetenv("SIMULATED_CPU");
    unsetenv("SIMULATED_MACHINE");
    ASSERT_TRUE(selection.ok()) << selection.error;
    ASSERT_NE(selection.simulated, nullptr);
    EXPECT_EQ(selection.simulated->profile().name, "n270");
}

} // namespace
