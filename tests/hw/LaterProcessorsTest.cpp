// Today's processors on their simulated profiles: the core map from the
// topology leaves, the class they get, a process confined to the second
// socket, and the switches on every logical CPU.
#include "hw/CoreMap.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorIdentification.h"
#include "hw/TjMaxRules.h"
#include "monitor/controls/FeatureSwitches.h"
#include "monitor/controls/LimitsWindowKind.h"
#include "monitor/sampling/SamplingCycle.h"
#include "monitor/settings/MonitorSettings.h"
#include "registers/MsrIndex.h"
#include "sim/SimulatedProcessor.h"
#include "tests/hw/RecordingMessages.h"
#include "tests/hw/SimulatedIdentify.h"
#include "turbo/TurboSampler.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <set>
#include <string>

namespace {

using fake::identify;
using fake::simulated;

using Slots = std::array<int, 6>;

struct LaterCase {
    const char* profile;
    const char* modelName;
    Slots sixCore;          // slot -> logical CPU; the four-core build shows the first four
    int skull2First;        // the four-core build's slot 0 with Skull=2; -1: one package
    int cores;
    int performanceCores;   // 0: no core types
    int tjMax;
    int threads;
};

class LaterProcessorTest : public testing::TestWithParam<LaterCase> {};

TEST_P(LaterProcessorTest, DistinctCoresInOrderWithTheirClassAndName)
{
    const LaterCase& c = GetParam();
    auto processor = simulated(c.profile);
    ASSERT_TRUE(processor);
    hw::HardwareAccess access(*processor);

    const hw::ProcessorInfo six = identify(*processor, hw::SixCoreBuild);
    for (int slot = 0; slot < 6; ++slot)
        EXPECT_EQ(six.coreCpu[slot], c.sixCore[slot]) << "slot " << slot;
    EXPECT_EQ(static_cast<int>(six.cores.size()), c.cores);
    int performance = 0;
    for (const hw::CoreEntry& core : six.cores)
        performance += core.type == hw::CoreType::Performance ? 1 : 0;
    EXPECT_EQ(performance, c.performanceCores);
    if (c.performanceCores > 0)
        EXPECT_EQ(six.coreType[0], hw::CoreType::Performance) << "performance cores come first";

    const hw::ProcessorInfo four = identify(*processor, hw::FourCoreBuild);
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(four.coreCpu[slot], c.sixCore[slot]) << "slot " << slot;
        EXPECT_EQ(four.tjMax[slot], c.tjMax) << "slot " << slot;
    }
    EXPECT_EQ(four.coreCpu[4], hw::NoCpu);
    EXPECT_EQ(four.modelName, c.modelName);
    EXPECT_TRUE(four.sandyBridgeClass);
    EXPECT_FALSE(four.turboCurrentLimit);
    EXPECT_EQ(monitor::limitsWindowFor(four, monitor::FourCoreMeasure), monitor::LimitsWindowKind::PowerLimits);
    if (c.skull2First >= 0)
        EXPECT_EQ(identify(*processor, hw::FourCoreBuild, 2).coreCpu[0], c.skull2First);

    turbo::TurboStartup startup = turbo::TurboSampler::start(access);
    ASSERT_TRUE(startup.sampler);
    const turbo::CoreThreadCount count = startup.sampler->countCoresAndThreads();
    EXPECT_EQ(count.cores, c.cores);
    EXPECT_EQ(count.threads, c.threads);
    for (int slot = 0; slot < turbo::kSlotCount; ++slot)
        EXPECT_EQ(startup.sampler->slotTable()[slot].cpu, slot) << "Sparvel's boxes follow the kernel's numbering";

    // Nothing of the Nehalem turbo power and current limit is touched.
    for (const sim::ReadRecord& read : processor->reads())
        EXPECT_FALSE(read.kind == sim::ReadKind::Register && read.index == msr::MSR_TURBO_POWER_CURRENT_LIMIT);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, LaterProcessorTest,
    testing::Values(
        // P-cores at APIC ids 0, 8, 16 ... with their sibling next, E-cores from CPU 16.
        LaterCase{"i9-13900k", "i9-13900K", {0, 2, 4, 6, 8, 10}, -1, 24, 8, 100, 32},
        // P-cores listed in the firmware's order (APIC 32, 16, 24, 40 ...): the
        // slots take them by core id.
        LaterCase{"ultra7-155h", "Ultra 7 155H", {2, 4, 0, 6, 8, 10}, -1, 16, 6, 110, 22},
        LaterCase{"xeon-4514y-2s", "Xeon 4514Y", {0, 2, 4, 6, 8, 10}, 32, 32, 0, 90, 64}),
    [](const testing::TestParamInfo<LaterCase>& info) {
        std::string name = info.param.profile;
        for (char& ch : name)
            if (ch == '-')
                ch = '_';
        return name;
    });

// A process that a cpuset confines to the second socket reads and writes
// nothing on the first, and still shows that socket's cores.
TEST(LaterProcessor, ConfinedToTheSecondSocketTouchesNoOtherCpu)
{
    sim::Options options;
    options.allowedCpus = platform::CpuSet::range(32, 63);
    auto processor = simulated("xeon-4514y-2s", options);
    ASSERT_TRUE(processor);
    hw::HardwareAccess access(*processor);
    const hw::ProcessorInfo info = identify(*processor, hw::FourCoreBuild);
    EXPECT_EQ(info.coreCpu[0], 32);
    EXPECT_EQ(info.coreCpu[3], 38);
    monitor::MonitorSettings settings;
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    cycle.tick();
    turbo::TurboStartup startup = turbo::TurboSampler::start(access);
    ASSERT_TRUE(startup.sampler);
    startup.sampler->tick();
    const turbo::CoreThreadCount count = startup.sampler->countCoresAndThreads();
    EXPECT_EQ(count.cores, 16);
    EXPECT_EQ(count.threads, 32);
    monitor::SetTurboDisabled(access, hw::SwitchState::On);

    std::set<int> cpus;
    for (const sim::ReadRecord& read : processor->reads())
        cpus.insert(read.cpu);
    for (const sim::WriteRecord& write : processor->writes())
        cpus.insert(write.cpu);
    ASSERT_FALSE(cpus.empty());
    EXPECT_GE(*cpus.begin(), 32) << "a register of the first socket was touched";
}

// Disable Turbo reaches every logical CPU of a 64-CPU machine.
TEST(LaterProcessor, DisableTurboWritesEveryLogicalCpu)
{
    auto processor = simulated("xeon-4514y-2s");
    ASSERT_TRUE(processor);
    hw::HardwareAccess access(*processor);
    EXPECT_EQ(monitor::SetTurboDisabled(access, hw::SwitchState::On), hw::SwitchState::On);
    std::set<int> written;
    for (const sim::WriteRecord& write : processor->writes()) {
        ASSERT_EQ(write.index, msr::IA32_MISC_ENABLE);
        EXPECT_TRUE(msr::misc_enable::TurboDisengage.test(write.value));
        written.insert(write.cpu);
    }
    EXPECT_EQ(written.size(), 64u);
}

} // namespace
