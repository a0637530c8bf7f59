// The TjMax table, killMhz, the processor's own TjMax register and the
// per-core override.
#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "hw/ProcessorInfo.h"
#include "hw/TjMaxRules.h"
#include "tests/hw/FakeProcessor.h"

#include <gtest/gtest.h>

#include <array>

namespace {

struct RuleCase {
    uint32_t signature;
    const char* modelName;
    const char* brand;
    int fourCoreTjMax;
    bool fourCoreMobile;
    int sixCoreTjMax;
    bool sixCoreMobile;
    const char* fourCoreName; // model name after the rules
};

class TjMaxTableTest : public testing::TestWithParam<RuleCase> {};

hw::ProcessorInfo infoFor(const RuleCase& c)
{
    hw::ProcessorInfo info;
    info.signature = c.signature;
    info.modelName = c.modelName;
    info.brandString = c.brand;
    return info;
}

TEST_P(TjMaxTableTest, FourCoreBuild)
{
    const RuleCase& c = GetParam();
    hw::ProcessorInfo info = infoFor(c);
    hw::applyTjMaxTable(info, hw::FourCoreBuild);
    for (int tjMax : info.tjMax)
        EXPECT_EQ(tjMax, c.fourCoreTjMax) << c.modelName;
    EXPECT_EQ(info.mobileModel, c.fourCoreMobile) << c.modelName;
    EXPECT_EQ(info.modelName, c.fourCoreName);
}

TEST_P(TjMaxTableTest, SixCoreBuild)
{
    const RuleCase& c = GetParam();
    hw::ProcessorInfo info = infoFor(c);
    hw::applyTjMaxTable(info, hw::SixCoreBuild);
    EXPECT_EQ(info.tjMax[0], c.sixCoreTjMax) << c.modelName;
    EXPECT_EQ(info.tjMax[7], c.sixCoreTjMax) << c.modelName;
    EXPECT_EQ(info.mobileModel, c.sixCoreMobile) << c.modelName;
    EXPECT_EQ(info.modelName, c.modelName); // no renaming in this build
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TjMaxTableTest,
    testing::Values(
        RuleCase{0x1067A, "E8400", "", 100, false, 100, false, "E8400"},
        RuleCase{0x6F6, "E6600", "", 90, false, 90, false, "E6600"},
        RuleCase{0x6FF, "E4500", "", 90, false, 90, false, "E4500"},
        RuleCase{0x6FA, "E6850", "", 100, false, 100, false, "E6850"},
        RuleCase{0x6FB, "Q6600", "", 100, false, 100, false, "Q6600"},
        RuleCase{0x6FD, "T7700", "", 100, true, 100, true, "T7700"}, // mobile rule follows the 90 rule
        RuleCase{0x10676, "T8100", "", 105, true, 105, true, "T8100"},
        RuleCase{0x10676, "T9300", "", 105, true, 105, true, "T9300"},
        RuleCase{0x6FD, "L7500", "", 100, true, 100, true, "L7500"},
        RuleCase{0x6FD, "U7600", "", 100, true, 100, true, "U7600"},
        RuleCase{0x10676, "P7350", "", 90, true, 90, true, "P7350"},
        RuleCase{0x10676, "P8400", "", 105, true, 105, true, "P8400"},
        RuleCase{0x10676, "L9400", "", 105, true, 100, true, "SL9400"},
        RuleCase{0x10676, "SP9600", "", 105, true, 105, true, "SP9600"},
        RuleCase{0x10676, "SU9400", "", 105, true, 105, true, "SU9400"},
        RuleCase{0x10676, "X9100", "", 105, true, 105, true, "X9100"},
        RuleCase{0x10677, "Q9100", "", 100, true, 100, true, "Q9100"},
        RuleCase{0x10677, "QX9300", "", 100, true, 100, true, "QX9300"},
        RuleCase{0x10677, "Q9200", "", 100, false, 100, true, "Q9200"},
        RuleCase{0x106C2, "N270", "Intel(R) Atom(TM) CPU N270   @ 1.60GHz", 90, true, 90, true, "N270"},
        RuleCase{0x106C2, "Z520", "Intel(R) Atom(TM) CPU Z520   @ 1.33GHz", 90, true, 90, true, "Z520"},
        RuleCase{0x106CA, "N450", "Intel(R) Atom(TM) CPU N450   @ 1.66GHz", 100, true, 100, true, "N450"},
        RuleCase{0x106C2, "330", "Intel(R) Atom(TM) CPU  330   @ 1.60GHz", 100, true, 100, true, "330"},
        RuleCase{0x106CA, "Z530", "Intel(R) CPU Z530", 90, true, 90, true, "Z530"},
        RuleCase{0x1067A, "Z530", "", 100, false, 90, false, "Z530"}, // the early-Atom list of the six-core build
        RuleCase{0x1067A, "E5440", "", 90, false, 90, false, "E5440"},
        RuleCase{0x1067A, "E5472", "", 90, false, 90, false, "E5472"},
        RuleCase{0x1067A, "E5450", "", 90, false, 90, false, "E5450"}));

struct KillCase {
    bool mobile;
    int key;
    bool fourCore;
    bool sixCore;
};

class KillMhzTest : public testing::TestWithParam<KillCase> {};

TEST_P(KillMhzTest, KeyAdjustsMobileDefault)
{
    const KillCase& c = GetParam();
    hw::ProcessorInfo info;
    info.mobileModel = c.mobile;
    hw::settleKillMhz(info, c.key, hw::FourCoreBuild);
    EXPECT_EQ(info.killMhz, c.fourCore);
    EXPECT_EQ(info.mobileModel, c.mobile);
    hw::settleKillMhz(info, c.key, hw::SixCoreBuild);
    EXPECT_EQ(info.killMhz, c.sixCore);
}

INSTANTIATE_TEST_SUITE_P(Keys, KillMhzTest,
                         testing::Values(KillCase{true, 0, true, true}, KillCase{true, 29, false, true},
                                         KillCase{true, 1, true, true}, KillCase{false, 0, false, false},
                                         KillCase{false, 29, true, false}, KillCase{false, -3, true, false}));

// Four logical CPUs, one per core; MSR_TEMPERATURE_TARGET differs per CPU.
class TemperatureTargetTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (int cpu = 0; cpu < 4; ++cpu)
            info.coreCpu[cpu] = cpu;
        info.tjMax.fill(95);
        info.nehalemClass = true;
    }
    void setTarget(int cpu, uint64_t tjMax)
    {
        processor.setMsr(cpu, msr::MSR_TEMPERATURE_TARGET, msr::temperature_target::TjMax.set(0x00000A00, tjMax));
    }

    fake::FakeProcessor processor = fake::FakeProcessor::intel(0x106A5, "", {0, 2, 4, 6}, 16, 8);
    hw::ProcessorInfo info;
};

TEST_F(TemperatureTargetTest, EachCoreReadsItsOwnRegister)
{
    setTarget(0, 70);  // the lowest value taken
    setTarget(1, 0);   // no value: 100
    setTarget(2, 69);  // below 70: 100
    setTarget(3, 105);
    hw::HardwareAccess access(processor);
    hw::readTemperatureTargets(access, info);
    EXPECT_EQ(info.tjMax, (std::array<int, 8>{70, 100, 100, 105, 95, 95, 95, 95}));
}

TEST_F(TemperatureTargetTest, SkipsEmptySlotsAndOtherProcessorClasses)
{
    setTarget(0, 80);
    setTarget(1, 85);
    info.coreCpu[1] = hw::NoCpu;
    hw::HardwareAccess access(processor);
    hw::readTemperatureTargets(access, info);
    EXPECT_EQ(info.tjMax[0], 80);
    EXPECT_EQ(info.tjMax[1], 95);
    EXPECT_EQ(info.tjMax[2], 100); // register missing on that CPU: nothing readable

    info.tjMax.fill(95);
    info.nehalemClass = false;
    hw::readTemperatureTargets(access, info);
    EXPECT_EQ(info.tjMax[0], 95);
}

TEST(TjMaxOverrideTest, AcceptsSeventyToOneHundredTwenty)
{
    hw::ProcessorInfo info;
    info.tjMax.fill(100);
    const std::array<int, 6> keys{69, 70, 120, 121, 0, -85};
    hw::applyTjMaxOverrides(info, keys);
    EXPECT_EQ(info.tjMax, (std::array<int, 8>{100, 70, 120, 100, 100, 100, 100, 100}));
    EXPECT_EQ(info.tjMaxDetected, (std::array<int, 8>{100, 100, 100, 100, 100, 100, 100, 100}));
}

} // namespace
