// Writes act where the hardware acts on them, are dropped where it ignores
// them, fault where it would raise #GP, and are all kept in the audit list.

#include "SimTestSupport.h"

namespace {

using simtest::Rig;
using namespace msr;
using sim::WriteOutcome;

struct LockCase {
    const char* name;
    const char* profile;
    uint32_t index;
    uint64_t lockBits;    // poked in first (the firmware's doing); 0 = none
    uint64_t attempt;     // then written
};

// Each register must keep its value through the attempt.
const std::vector<LockCase> locks = {
    {"SpeedStepLock", "n270", IA32_MISC_ENABLE, 0, 0x02152089 & ~misc_enable::EnhancedSpeedStep.mask()},
    {"PackagePowerLimitLock", "i7-2600k", MSR_PKG_POWER_LIMIT, pkg_power_limit::Lock.mask() | 0x001482F8,
     pkg_power_limit::Lock.mask() | 0x00148100},
    {"CurrentLimitLock", "i7-2600k", MSR_PP0_CURRENT_CONFIG, pp0_current_config::Lock.mask() | 0x308,
     pp0_current_config::Lock.mask() | 0x200},
    {"RatioLimitNotProgrammable", "i7-920", MSR_TURBO_RATIO_LIMIT, 0, 0x1A1A1A1A},
    {"TdpLimitNotProgrammable", "xeon-x5570-2s", MSR_TURBO_POWER_CURRENT_LIMIT, 0, 0x80008000},
};

class LockedRegister : public testing::TestWithParam<LockCase> {};

TEST_P(LockedRegister, IgnoresWrites)
{
    const LockCase& c = GetParam();
    Rig rig(c.profile);
    if (c.lockBits) {
        ASSERT_TRUE(rig.cpu->poke(0, c.index, c.lockBits));
    }
    uint64_t before = rig.read(0, c.index);
    rig.cpu->clearWrites();
    EXPECT_TRUE(rig.write(0, c.index, c.attempt)) << "no fault: the write is silently dropped";
    EXPECT_EQ(rig.read(0, c.index), before);
    std::vector<sim::WriteRecord> writes = rig.cpu->writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].index, c.index);
    EXPECT_EQ(writes[0].value, c.attempt);
    EXPECT_EQ(writes[0].outcome, WriteOutcome::Ignored);
}

INSTANTIATE_TEST_SUITE_P(Registers, LockedRegister, testing::ValuesIn(locks),
                         [](const testing::TestParamInfo<LockCase>& info) { return std::string(info.param.name); });

TEST(RegisterWrites, SpeedStepLockIsWriteOnce)
{
    Rig rig("e8400");
    uint64_t misc = rig.read(0, IA32_MISC_ENABLE);
    ASSERT_TRUE(rig.write(0, IA32_MISC_ENABLE, misc_enable::SpeedStepLock.set(misc, 1)));
    rig.write(0, IA32_MISC_ENABLE, misc_enable::EnhancedSpeedStep.set(misc, 0));
    uint64_t after = rig.read(1, IA32_MISC_ENABLE);
    EXPECT_TRUE(misc_enable::SpeedStepLock.test(after));
    EXPECT_TRUE(misc_enable::EnhancedSpeedStep.test(after));
    // Read-only bits stay as the processor set them.
    rig.write(0, IA32_MISC_ENABLE, misc_enable::PerformanceMonitoring.set(after, 0));
    EXPECT_TRUE(misc_enable::PerformanceMonitoring.test(rig.read(0, IA32_MISC_ENABLE)));
}

TEST(RegisterWrites, ProgrammableTurboLimitsTakeEffect)
{
    Rig rig("i7-975", Rig::fixedLoad(0));
    rig.cpu->setLoad(0, 100);
    rig.programCounters(0);
    // 30 for one and two active cores, 28 for three and four.
    ASSERT_TRUE(rig.write(0, MSR_TURBO_RATIO_LIMIT, 0x1C1C1E1E));
    EXPECT_EQ(rig.read(5, MSR_TURBO_RATIO_LIMIT), 0x1C1C1E1Eu) << "package-wide";
    uint64_t core = rig.read(0, IA32_PMC0), reference = rig.read(0, IA32_PMC1);
    rig.clock->advanceSeconds(1.0);
    double ratio = double(rig.read(0, IA32_PMC0) - core) / double(rig.read(0, IA32_PMC1) - reference);
    EXPECT_NEAR(ratio, 30.0, 0.03);

    // Bytes for core counts the package lacks are not kept.
    rig.cpu->clearWrites();
    rig.write(0, MSR_TURBO_RATIO_LIMIT, 0x1D1D1C1C1E1Eull << 16 | 0x1E1E);
    EXPECT_EQ(msr::highHalf(rig.read(0, MSR_TURBO_RATIO_LIMIT)), 0u);
    EXPECT_EQ(rig.cpu->writes().back().outcome, WriteOutcome::Ignored);
}

TEST(RegisterWrites, TdpLimitBelowTheLoadHoldsTurboBack)
{
    Rig rig("i7-920", Rig::fixedLoad(100));
    rig.programCounters(0);
    uint64_t limit = rig.read(0, MSR_TURBO_POWER_CURRENT_LIMIT);
    // 60 W with the override bit: far below what four busy cores draw.
    limit = turbo_power_current_limit::TdpLimit.set(limit, 60 * 8);
    ASSERT_TRUE(rig.write(0, MSR_TURBO_POWER_CURRENT_LIMIT, turbo_power_current_limit::TdpLimitOverride.set(limit, 1)));
    uint64_t core = rig.read(0, IA32_PMC0), reference = rig.read(0, IA32_PMC1);
    rig.clock->advanceSeconds(1.0);
    EXPECT_NEAR(double(rig.read(0, IA32_PMC0) - core) / double(rig.read(0, IA32_PMC1) - reference), 20.0, 0.02);
}

struct MissingCase {
    const char* profile;
    uint32_t index;
};

TEST(RegisterWrites, MissingAndReadOnlyRegistersFault)
{
    const std::vector<MissingCase> faults = {
        {"e8400", MSR_TEMPERATURE_TARGET}, {"e8400", MSR_TURBO_RATIO_LIMIT}, {"q6600", MSR_PKG_POWER_LIMIT},
        {"i7-920", MSR_PKG_POWER_LIMIT},   {"i7-920", MSR_RAPL_POWER_UNIT},  {"i7-2600k", MSR_TURBO_POWER_CURRENT_LIMIT},
        {"i7-2600k", IA32_PERF_STATUS},    {"i7-2600k", MSR_PKG_ENERGY_STATUS}, {"i7-920", MSR_PLATFORM_INFO},
        {"n270", IA32_PMC2},               {"i7-920", 0xDEAD},
    };
    for (const MissingCase& c : faults) {
        Rig rig(c.profile);
        rig.cpu->clearWrites();
        EXPECT_FALSE(rig.write(0, c.index, 0)) << c.profile << std::hex << " 0x" << c.index;
        ASSERT_EQ(rig.cpu->writes().size(), 1u);
        EXPECT_EQ(rig.cpu->writes()[0].outcome, WriteOutcome::Faulted);
    }
    Rig rig("e8400");
    EXPECT_FALSE(rig.readable(0, 0xDEAD));
    // Reserved bits fault too.
    EXPECT_FALSE(rig.write(0, IA32_CLOCK_MODULATION, 0x21));
    EXPECT_FALSE(rig.write(0, IA32_PERF_GLOBAL_CTRL, perf_global_ctrl::pmcEnable(2).mask()));
}

TEST(RegisterWrites, AuditListKeepsEveryWriteWithItsCpu)
{
    Rig rig("xeon-x5570-2s");
    rig.cpu->clearWrites();
    uint64_t before = rig.cpu->writeCount();
    for (int n = 0; n < 16; ++n)
        rig.write(n, IA32_CLOCK_MODULATION, 0x18);
    rig.clock->advanceMilliseconds(5);
    rig.write(9, IA32_PERF_CTL, 0x1234ull << 40);
    std::vector<sim::WriteRecord> writes = rig.cpu->writes();
    ASSERT_EQ(writes.size(), 17u);
    EXPECT_EQ(rig.cpu->writeCount() - before, 17u);
    for (int n = 0; n < 16; ++n) {
        EXPECT_EQ(writes[size_t(n)].cpu, n);
        EXPECT_EQ(writes[size_t(n)].outcome, WriteOutcome::Applied);
    }
    EXPECT_EQ(writes[16].cpu, 9);
    EXPECT_EQ(writes[16].outcome, WriteOutcome::Faulted);
    EXPECT_EQ(writes[16].nanoseconds - writes[15].nanoseconds, 5000000);
    EXPECT_EQ(rig.read(12, IA32_CLOCK_MODULATION), 0x18u) << "per logical CPU";
}

TEST(RegisterWrites, TimeStampCounterCanBeSet)
{
    Rig rig("q9550");
    ASSERT_TRUE(rig.write(2, IA32_TIME_STAMP_COUNTER, 1000));
    rig.clock->advanceMilliseconds(1);
    EXPECT_NEAR(double(rig.read(2, IA32_TIME_STAMP_COUNTER)), 1000 + 2833333.0, 1.0);
    rig.pin(2);
    EXPECT_EQ(rig.cpu->rdtsc(), rig.read(2, IA32_TIME_STAMP_COUNTER));
    EXPECT_EQ(rig.read(2, IA32_TIME_STAMP_COUNTER) - rig.read(1, IA32_TIME_STAMP_COUNTER), 1000u)
        << "only cpu 2 was set";
}

} // namespace

namespace {

TEST(RegisterWrites, AuditListKeepsTheNewestWritesWithinItsCapacity)
{
    Rig rig("e8400");
    rig.pin(1);
    rig.cpu->clearWrites();
    uint64_t before = rig.cpu->writeCount();
    const size_t extra = 10;
    for (size_t n = 0; n < sim::SimulatedProcessor::AuditCapacity + extra; ++n)
        rig.cpu->writeMsr(msr::IA32_PERFEVTSEL0, uint32_t(n), 0);
    std::vector<sim::WriteRecord> writes = rig.cpu->writes();
    ASSERT_EQ(writes.size(), sim::SimulatedProcessor::AuditCapacity);
    EXPECT_EQ(writes.front().value, extra);
    EXPECT_EQ(writes.back().value, sim::SimulatedProcessor::AuditCapacity + extra - 1);
    EXPECT_EQ(rig.cpu->writeCount() - before, sim::SimulatedProcessor::AuditCapacity + extra);
}

} // namespace
