// The profiles of processors after Sandy Bridge: topology leaves and core
// types per logical CPU, the registers they lack, more than 64 CPUs' worth of
// affinity, hardware P-states and efficient cores at their own ratios.

#include "SimTestSupport.h"

#include <string>
#include <utility>
#include <vector>

namespace {

using simtest::Rig;
using namespace msr::cpuid;

struct Placement {
    const char* profile;
    int cpu;
    uint32_t x2apicId;
    uint64_t coreType; // leaf 0x1A EAX[31:24]; 0 where the processor is not hybrid
    std::vector<std::pair<uint64_t, uint64_t>> levels; // leaf 0x1F: (type, shift) per sub-leaf
};

const std::vector<Placement> placements = {
    {"i9-13900k", 0, 0, 0x40, {{1, 1}, {2, 7}}},
    {"i9-13900k", 1, 1, 0x40, {{1, 1}, {2, 7}}},
    {"i9-13900k", 15, 57, 0x40, {{1, 1}, {2, 7}}},
    {"i9-13900k", 16, 64, 0x20, {{1, 1}, {2, 7}}},
    {"i9-13900k", 31, 94, 0x20, {{1, 1}, {2, 7}}},
    // Meteor Lake reports a module level above the cores in leaf 0x1F only.
    {"ultra7-155h", 0, 32, 0x40, {{1, 1}, {2, 3}, {3, 7}}},
    {"ultra7-155h", 2, 16, 0x40, {{1, 1}, {2, 3}, {3, 7}}},
    {"ultra7-155h", 12, 0, 0x20, {{1, 1}, {2, 3}, {3, 7}}},
    {"ultra7-155h", 21, 66, 0x20, {{1, 1}, {2, 3}, {3, 7}}},
    {"xeon-4514y-2s", 0, 0, 0, {{1, 1}, {2, 7}}},
    {"xeon-4514y-2s", 31, 31, 0, {{1, 1}, {2, 7}}},
    {"xeon-4514y-2s", 32, 128, 0, {{1, 1}, {2, 7}}},
    {"xeon-4514y-2s", 63, 159, 0, {{1, 1}, {2, 7}}},
};

TEST(LaterProfiles, EachCpuAnswersTheTopologyLeavesWithItsOwnPlace)
{
    for (const Placement& want : placements) {
        const std::string label = std::string(want.profile) + " cpu " + std::to_string(want.cpu);
        Rig rig(want.profile);
        rig.pin(want.cpu);
        sim::SimulatedProcessor& cpu = *rig.cpu;
        EXPECT_EQ(features_ebx::InitialApicId.get(cpu.cpuid(LeafFeatures, 0).ebx), want.x2apicId & 0xFF) << label;
        EXPECT_EQ(cpu.cpuid(LeafTopology, 0).edx, want.x2apicId) << label;
        EXPECT_EQ(hybrid_information_eax::CoreType.get(cpu.cpuid(LeafHybridInformation, 0).eax), want.coreType)
            << label;
        for (uint32_t subleaf = 0; subleaf <= want.levels.size(); ++subleaf) {
            const platform::CpuidRegisters level = cpu.cpuid(LeafTopologyV2, subleaf);
            const bool past = subleaf == want.levels.size();
            EXPECT_EQ(level.edx, want.x2apicId) << label << " sub-leaf " << subleaf;
            EXPECT_EQ(topology_ecx::LevelNumber.get(level.ecx), subleaf) << label;
            EXPECT_EQ(topology_ecx::LevelType.get(level.ecx), past ? 0 : want.levels[subleaf].first) << label;
            if (!past)
                EXPECT_EQ(topology_eax::ShiftToNextLevel.get(level.eax), want.levels[subleaf].second) << label;
        }
    }
}

TEST(LaterProfiles, TheNehalemPowerLimitRegisterFaults)
{
    for (const char* profile : {"i9-13900k", "ultra7-155h", "xeon-4514y-2s"}) {
        Rig rig(profile);
        const int last = rig.cpu->cpuCount() - 1;
        EXPECT_FALSE(rig.readable(last, msr::MSR_TURBO_POWER_CURRENT_LIMIT)) << profile;
        EXPECT_FALSE(rig.write(last, msr::MSR_TURBO_POWER_CURRENT_LIMIT, msr::turbo_power_current_limit::OverrideBoth))
            << profile;
        EXPECT_TRUE(rig.readable(last, msr::MSR_PKG_ENERGY_STATUS)) << profile;
    }
}

TEST(LaterProfiles, AProcessConfinedToTheSecondSocketRunsOnlyThere)
{
    sim::Options options = Rig::fixedLoad(0);
    std::string error;
    ASSERT_TRUE(sim::Options::parseAffinity("32-63", options, error)) << error;
    Rig rig("xeon-4514y-2s", options);
    sim::SimulatedProcessor& cpu = *rig.cpu;
    platform::CpuSet process, system;
    ASSERT_TRUE(cpu.processAffinity(process, system));
    EXPECT_EQ(process, platform::CpuSet::range(32, 63));
    EXPECT_EQ(system, platform::CpuSet::range(32, 63));
    EXPECT_EQ(cpu.currentCpu(), 32) << "an unpinned thread runs on the lowest allowed CPU";
    EXPECT_TRUE(cpu.setThreadAffinity(platform::CpuSet::range(0, 31)).empty()) << "the first socket is refused";
    EXPECT_EQ(cpu.setThreadAffinity(platform::CpuSet::range(30, 33)), platform::CpuSet::range(32, 63));
    EXPECT_EQ(cpu.currentCpu(), 32);

    cpu.clearReads();
    for (int n = 0; n < cpu.cpuCount(); ++n) {
        cpu.setThreadAffinity(platform::CpuSet::of(n)); // refused below 32: the thread stays
        uint32_t low = 0, high = 0;
        cpu.readMsr(msr::IA32_THERM_STATUS, low, high);
        cpu.cpuid(LeafTopology, 0);
    }
    for (const sim::ReadRecord& read : cpu.reads())
        EXPECT_GE(read.cpu, 32);
    EXPECT_EQ(cpu.reads().size(), size_t(2 * cpu.cpuCount()));

    cpu.restrictAffinity(platform::CpuSet::of(100));
    EXPECT_EQ(cpu.allowedCpus(), platform::CpuSet::range(32, 63)) << "a narrowing to no CPU of the profile";
}

TEST(LaterProfiles, TurboDisabledOnTheSecondSocketOnlyStopsItThere)
{
    using namespace msr;
    Rig rig("xeon-4514y-2s");
    rig.cpu->setLoad(0, 100);
    rig.cpu->setLoad(32, 100);
    for (int n = 32; n < 64; ++n)
        ASSERT_TRUE(rig.write(n, IA32_MISC_ENABLE, misc_enable::TurboDisengage.set(rig.read(n, IA32_MISC_ENABLE), 1)));
    for (int n : {0, 31, 32, 63}) {
        const bool second = n >= 32;
        EXPECT_EQ(misc_enable::TurboDisengage.test(rig.read(n, IA32_MISC_ENABLE)), second) << "cpu " << n;
        EXPECT_EQ(thermal_power_eax::TurboBoost.test(rig.cpu->cpuid(LeafThermalPower, 0).eax), !second) << n;
        // One busy core per socket: the first group's 34 x where turbo is left on.
        EXPECT_EQ(perf_status::OperatingRatio.get(rig.read(n, IA32_PERF_STATUS)), second ? 20u : 34u) << n;
    }
}

TEST(LaterProfiles, HardwarePStatesIgnoreThePerformanceControl)
{
    using namespace msr;
    Rig rig("i9-13900k");
    rig.cpu->setLoad(0, 100);
    EXPECT_EQ(rig.read(0, IA32_PM_ENABLE), 1u);
    const uint64_t request = rig.read(0, IA32_PERF_CTL);
    EXPECT_TRUE(rig.write(0, IA32_PERF_CTL, perf_ctl::TargetRatio.set(0, 8)));
    EXPECT_EQ(rig.cpu->writes().back().outcome, sim::WriteOutcome::Ignored);
    EXPECT_EQ(rig.read(0, IA32_PERF_CTL), request);
    EXPECT_EQ(perf_status::OperatingRatio.get(rig.read(0, IA32_PERF_STATUS)), 58u);

    EXPECT_TRUE(rig.write(0, IA32_PM_ENABLE, 0));
    EXPECT_EQ(rig.read(0, IA32_PM_ENABLE), 1u) << "only a reset clears the enable";
    EXPECT_FALSE(rig.write(0, IA32_PM_ENABLE, 3)) << "reserved bits";

    // Turbo still answers to IA32_MISC_ENABLE.
    rig.write(0, IA32_MISC_ENABLE, misc_enable::TurboDisengage.set(rig.read(0, IA32_MISC_ENABLE), 1));
    EXPECT_EQ(perf_status::OperatingRatio.get(rig.read(0, IA32_PERF_STATUS)), 30u);
    rig.cpu->setLoad(0, 0);
    EXPECT_EQ(perf_status::OperatingRatio.get(rig.read(0, IA32_PERF_STATUS)), 8u) << "idle: the lowest ratio";

    for (const char* profile : {"xeon-4514y-2s", "i7-2600k"}) {
        Rig without(profile);
        EXPECT_FALSE(without.readable(0, IA32_PM_ENABLE)) << profile;
        EXPECT_FALSE(without.write(0, IA32_PM_ENABLE, 1)) << profile;
    }
}

struct CoreRatios {
    const char* profile;
    std::vector<int> busy;
    std::vector<std::pair<int, unsigned>> ratios; // logical CPU, ratio it runs at
};

TEST(LaterProfiles, EfficientCoresRunAtTheirOwnRatios)
{
    const CoreRatios cases[] = {
        // One P-core and one E-core busy: the two-core bin, 58 x, and the E-cores' 43 x.
        {"i9-13900k", {0, 16}, {{0, 58}, {1, 58}, {16, 43}, {31, 43}}},
        // Idle: every core at the lowest ratio.
        {"i9-13900k", {}, {{0, 8}, {16, 8}}},
        {"ultra7-155h", {0}, {{0, 48}, {12, 38}, {20, 25}}},
    };
    for (const CoreRatios& c : cases) {
        Rig rig(c.profile);
        for (int n : c.busy)
            rig.cpu->setLoad(n, 100);
        for (auto [n, ratio] : c.ratios)
            EXPECT_EQ(msr::perf_status::OperatingRatio.get(rig.read(n, msr::IA32_PERF_STATUS)), ratio)
                << c.profile << " cpu " << n;
    }

    // The clock counters of a busy E-core count at its ratio.
    Rig rig("i9-13900k");
    rig.cpu->setLoad(0, 100);
    rig.cpu->setLoad(16, 100);
    const uint64_t aperf = rig.read(16, msr::IA32_APERF);
    const uint64_t mperf = rig.read(16, msr::IA32_MPERF);
    rig.clock->advance(100000000);
    const double ratio = double(rig.read(16, msr::IA32_APERF) - aperf) / double(rig.read(16, msr::IA32_MPERF) - mperf);
    EXPECT_NEAR(ratio * 30.0, 43.0, 0.01);
}

} // namespace
