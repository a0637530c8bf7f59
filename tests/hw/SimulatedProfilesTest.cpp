// Identification of every simulated processor, run in the order of the
// monitor's start-up, and the sampling cycle on the two-package Xeon.
#include "hw/CoreMap.h"
#include "tests/support/CoreMasks.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorIdentification.h"
#include "hw/TjMaxRules.h"
#include "monitor/sampling/SamplingCycle.h"
#include "monitor/settings/MonitorSettings.h"
#include "sim/SimulatedProcessor.h"
#include "tests/hw/RecordingMessages.h"
#include "tests/hw/SimulatedIdentify.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <set>
#include <string>

namespace {

using Masks = std::array<uint32_t, 8>;

using fake::identify;
using fake::simulated;

struct ProfileCase {
    const char* profile;
    uint32_t signature;
    const char* brand;
    const char* modelName;
    const char* displayName;
    Masks coreMask;
    bool hyperThreading;
    int tjMax;
    bool mobileModel;
    bool nehalemClass;
    bool sandyBridgeClass;
};

class SimulatedProfileTest : public testing::TestWithParam<ProfileCase> {};

TEST_P(SimulatedProfileTest, FourCoreIdentification)
{
    const ProfileCase& c = GetParam();
    auto processor = simulated(c.profile);
    ASSERT_TRUE(processor);
    const hw::ProcessorInfo info = identify(*processor, hw::FourCoreBuild);

    EXPECT_EQ(info.vendor, "GenuineIntel");
    EXPECT_EQ(info.signature, c.signature);
    EXPECT_EQ(info.brandString, c.brand);
    EXPECT_EQ(info.modelName, c.modelName);
    EXPECT_EQ(info.displayName, c.displayName);
    EXPECT_EQ(fake::coreMasks(info.coreCpu), c.coreMask);
    EXPECT_EQ(info.hyperThreading, c.hyperThreading);
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(info.tjMax[slot], c.tjMax) << slot;
        EXPECT_EQ(info.tjMaxDetected[slot], c.tjMax) << slot;
    }
    EXPECT_EQ(info.mobileModel, c.mobileModel);
    EXPECT_EQ(info.killMhz, c.mobileModel);
    EXPECT_EQ(info.nehalemClass, c.nehalemClass);
    EXPECT_EQ(info.sandyBridgeClass, c.sandyBridgeClass);
}

constexpr Masks Quad{1, 2, 4, 8};
constexpr Masks QuadHT{1, 4, 0x10, 0x40};

INSTANTIATE_TEST_SUITE_P(
    Profiles, SimulatedProfileTest,
    testing::Values(
        ProfileCase{"e8400", 0x10676, "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", "E8400", "E8400", {1, 2},
                    false, 100, false, false, false},
        ProfileCase{"q6600", 0x6FB, "Intel(R) Core(TM)2 Quad CPU    Q6600  @ 2.40GHz", "Q6600", "Quad Q6600", Quad,
                    false, 100, false, false, false},
        ProfileCase{"q9550", 0x10677, "Intel(R) Core(TM)2 Quad  CPU   Q9550  @ 2.83GHz", "Q9550", "Quad Q9550", Quad,
                    false, 100, false, false, false},
        ProfileCase{"t9300", 0x10676, "Intel(R) Core(TM)2 Duo CPU     T9300  @ 2.50GHz", "T9300", "T9300", {1, 2},
                    false, 105, true, false, false},
        ProfileCase{"n270", 0x106C2, "         Intel(R) Atom(TM) CPU N270   @ 1.60GHz", "N270", "Atom N270", {1},
                    true, 90, true, false, false},
        ProfileCase{"i7-920", 0x106A4, "Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", "Core i7-920",
                    "Core i7-920", QuadHT, true, 100, false, true, false},
        ProfileCase{"i7-975", 0x106A5, "Intel(R) Core(TM) i7 CPU         975  @ 3.33GHz", "Core i7-975",
                    "Core i7-975", QuadHT, true, 100, false, true, false},
        // Leaf 1 and leaf 4 give the addressable ID space (16 / 8): counted as
        // Hyper-Threading, which halves the even APIC ids 0, 2, 4, 6 to slots 0-3.
        ProfileCase{"i5-750", 0x106E5, "Intel(R) Core(TM) i5 CPU         750  @ 2.67GHz", "Core i5-750",
                    "Core i5-750", Quad, true, 99, false, true, false},
        // Cores 0, 1, 2, 8, 9, 10 land in slots 0-2 and 4-6; the four-core
        // build shows the first three.
        ProfileCase{"i7-980x", 0x206C2, "Intel(R) Core(TM) i7 CPU       X 980  @ 3.33GHz", "Core i7-980X",
                    "Core i7-980X", {1, 4, 0x10}, true, 100, false, true, false},
        ProfileCase{"xeon-x5570-2s", 0x106A5, "Intel(R) Xeon(R) CPU           X5570  @ 2.93GHz", "Xeon X5570",
                    "Xeon X5570", QuadHT, true, 95, false, true, false},
        ProfileCase{"i7-2600k", 0x206A7, "       Intel(R) Core(TM) i7-2600K CPU @ 3.40GHz", "Core i7-2600K",
                    "Core i7-2600K", QuadHT, true, 98, false, true, true}),
    [](const testing::TestParamInfo<ProfileCase>& info) {
        std::string name = info.param.profile;
        for (char& ch : name)
            if (ch == '-')
                ch = '_';
        return name;
    });

TEST(SimulatedSixCoreTest, SixCoreBuildFillsSlotsZeroToFive)
{
    auto processor = simulated("i7-980x");
    ASSERT_TRUE(processor);
    const hw::ProcessorInfo info = identify(*processor, hw::SixCoreBuild);
    EXPECT_EQ(fake::coreMasks(info.coreCpu), (Masks{1, 4, 0x10, 0x40, 0x100, 0x400, 0, 0}));
    EXPECT_EQ(info.displayName, "Intel Core i7-980X");
    for (int slot = 0; slot < 6; ++slot)
        EXPECT_EQ(info.tjMax[slot], 100);
}

// A minute at full load from power-on, one tick a second: each core starts
// at idle, warms with the lag of die and cooler, and ends at its own level.
TEST(SimulatedThermals, MinimumAndMaximumPartUnderFixedLoad)
{
    sim::Options options;
    options.loadMode = sim::LoadMode::Fixed;
    options.fixedLoadPercent = 100;
    auto clock = std::make_shared<sim::ManualClock>();
    sim::SimulatedCreation created = sim::createSimulatedProcessor("i7-2600k", options, clock);
    ASSERT_TRUE(created.processor) << created.error;
    const hw::ProcessorInfo info = identify(*created.processor, hw::FourCoreBuild);

    hw::HardwareAccess access(*created.processor);
    monitor::MonitorSettings settings;
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    cycle.tick();
    std::array<int, 4> afterTenSeconds{};
    for (int second = 1; second <= 60; ++second) {
        clock->advanceSeconds(1.0);
        cycle.tick();
        for (int slot = 0; second == 10 && slot < 4; ++slot)
            afterTenSeconds[slot] = cycle.samples().cores[slot].temperature;
    }
    std::set<int> levels;
    for (int slot = 0; slot < 4; ++slot) {
        const monitor::CoreSample& core = cycle.samples().cores[slot];
        SCOPED_TRACE(slot);
        EXPECT_LE(core.minTemperature, 36) << "it starts at idle";
        EXPECT_GE(core.maxTemperature - core.minTemperature, 25);
        EXPECT_GE(core.temperature, core.maxTemperature - 1) << "at its highest after a minute, but for the noise";
        EXPECT_LT(afterTenSeconds[slot], core.maxTemperature - 3) << "the cooler lags the die";
        levels.insert(core.maxTemperature);
    }
    EXPECT_GE(levels.size(), 3u) << "the cores run at their own temperatures";
}

struct PackageCase {
    int skull;
    Masks coreMask;
    std::array<int, 4> cores; // global core number shown in each slot
};

class TwoPackageTest : public testing::TestWithParam<PackageCase> {};

// Each core of the two packages reads its own number of degrees below TjMax,
// so every slot's temperature names the core it was read from.
TEST_P(TwoPackageTest, SkullSelectsThePackageTheCycleReads)
{
    const PackageCase& c = GetParam();
    sim::Options options;
    for (int core = 0; core < 8; ++core)
        options.pinnedReadouts.push_back(10 + core);
    auto processor = simulated("xeon-x5570-2s", options);
    ASSERT_TRUE(processor);
    const hw::ProcessorInfo info = identify(*processor, hw::FourCoreBuild, c.skull);
    EXPECT_EQ(fake::coreMasks(info.coreCpu), c.coreMask);

    hw::HardwareAccess access(*processor);
    monitor::MonitorSettings settings;
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    cycle.tick();
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_EQ(cycle.samples().cores[slot].temperature, 95 - (10 + c.cores[slot])) << "slot " << slot;
}

INSTANTIATE_TEST_SUITE_P(Skull, TwoPackageTest,
                         testing::Values(PackageCase{0, {1, 4, 0x10, 0x40}, {0, 1, 2, 3}},
                                         PackageCase{2, {0x100, 0x400, 0x1000, 0x4000}, {4, 5, 6, 7}},
                                         PackageCase{3, {1, 4, 0x1000, 0x4000}, {0, 1, 6, 7}}));

} // namespace
