#include "SamplerRig.h"

#include <gtest/gtest.h>

#include <set>

namespace turbo::test {
namespace {

// Turbo limits 1C..4C = 25, 24, 23, 22.
constexpr uint64_t kTurbo25 = 0x16171819;

TEST(TurboSamplerStartup, DriverNotReadyEndsStartupWithItsMessage)
{
    SamplerRig rig;
    rig.nehalem(0xF, 20, kTurbo25);
    rig.cpu.setStatus(2);
    TurboStartup result = rig.start();
    EXPECT_EQ(result.failure, StartupFailure::DriverNotReady);
    EXPECT_EQ(result.message(), "Could not open WinRing0.dll");
    EXPECT_EQ(result.driverStatus, 2);
    EXPECT_FALSE(result.sampler);
    EXPECT_EQ(rig.cpu.initialiseCalls(), 1);
    EXPECT_GE(rig.cpu.sleptMs(), 250u);
    EXPECT_TRUE(rig.cpu.writes().empty());
    TurboStartup allocation;
    allocation.failure = StartupFailure::AllocationFailed;
    EXPECT_EQ(allocation.message(), "Memory Allocation Error");
}

TEST(TurboSamplerStartup, UnlocksCpuidOnTheCurrentCpuAndProgramsEveryCounter)
{
    SamplerRig rig;
    rig.nehalem(0xF, 20, kTurbo25);
    rig.cpu.setMsrAll(msr::IA32_PERFEVTSEL0, msr::join(0, 0x5));
    rig.cpu.setMsrAll(msr::IA32_PERF_GLOBAL_CTRL, 0x700000000ull);
    rig.cpu.removeMsr(3, msr::IA32_PERF_GLOBAL_CTRL);
    ASSERT_EQ(rig.start().failure, StartupFailure::None);

    EXPECT_FALSE(msr::misc_enable::LimitCpuidMaxValue.test(rig.cpu.msrValue(0, msr::IA32_MISC_ENABLE)));
    EXPECT_TRUE(msr::misc_enable::LimitCpuidMaxValue.test(rig.cpu.msrValue(1, msr::IA32_MISC_ENABLE)));
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(rig.cpu.msrValue(n, msr::IA32_PERFEVTSEL0), msr::join(0x43003C, 0x5));
        EXPECT_EQ(rig.cpu.msrValue(n, msr::IA32_PERFEVTSEL1), 0x43013Cu);
    }
    EXPECT_EQ(rig.cpu.msrValue(0, msr::IA32_PERF_GLOBAL_CTRL), 0x700000003ull);
    // A control register that cannot be read is left alone, not zeroed.
    for (const auto& write : rig.cpu.writes())
        EXPECT_FALSE(write.cpu == 3 && write.index == msr::IA32_PERF_GLOBAL_CTRL);
    EXPECT_EQ(rig.cpu.threadPriority(), platform::ThreadPriority::TimeCritical);
}

TEST(TurboSamplerCounterControls, RewrittenOnlyWhereAnotherProgramChangedThem)
{
    SamplerRig rig;
    rig.nehalem(0xF, 20, kTurbo25);
    ASSERT_EQ(rig.start().failure, StartupFailure::None);
    rig.cpu.setMsr(2, msr::IA32_PERFEVTSEL1, 0x5'00000000ull); // taken by another program
    rig.cpu.clearWrites();
    rig.sampler->tick();

    std::vector<FakeTurboProcessor::Write> controls;
    for (const auto& write : rig.cpu.writes())
        if (write.index == msr::IA32_PERF_GLOBAL_CTRL || write.index == msr::IA32_PERFEVTSEL0
            || write.index == msr::IA32_PERFEVTSEL1)
            controls.push_back(write);
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(controls[0].cpu, 2);
    EXPECT_EQ(controls[0].index, msr::IA32_PERFEVTSEL1);
    EXPECT_EQ(controls[0].value, msr::join(0x43013C, 0x5));
}

TEST(TurboSamplerStartup, MissingMiscEnableIsNotWrittenBack)
{
    SamplerRig rig;
    rig.nehalem(0x3, 20, kTurbo25);
    rig.cpu.removeMsr(0, msr::IA32_MISC_ENABLE);
    ASSERT_EQ(rig.start().failure, StartupFailure::None);
    for (const auto& write : rig.cpu.writes())
        EXPECT_NE(write.index, msr::IA32_MISC_ENABLE);
}

TEST(TurboSamplerStartup, ProcessorClassBySignature)
{
    struct Case {
        uint32_t eax;
        bool nehalem;
    };
    const Case cases[] = {
        {0x1069F, false}, {0x106A0, true}, {0x106A5, true}, {0x106AF, true}, {0x106B0, false},
        {0x106C2, false}, {0x106DF, false}, {0x106E0, true}, {0x206A7, true}, {0x10676, false},
        {0x0F106A5, true}, // extended family and type bits are removed first
        {0x30106B0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.eax);
        SamplerRig rig;
        rig.nehalem(0x1, 20, kTurbo25);
        rig.cpu.setCpuid(0x1, {c.eax, 0, 0, 0});
        rig.cpu.setMsrAll(msr::IA32_PERF_STATUS, 0);
        rig.cpu.setMsrAll(msr::IA32_PLATFORM_ID, 0);
        ASSERT_EQ(rig.start().failure, StartupFailure::None);
        EXPECT_EQ(rig.sampler->nehalemClass(), c.nehalem);
        EXPECT_EQ(rig.sampler->signature(), c.eax & 0xF0FFF);
    }
}

TEST(TurboSamplerStartup, CounterModulusFromPerformanceMonitoringLeaf)
{
    struct Case {
        uint32_t highestLeaf;
        uint32_t perfmonEax;
        uint64_t modulus;
    };
    const Case cases[] = {
        {0xB, SamplerRig::kPerfmonV3Width48, 1ull << 48},
        {0xA, SamplerRig::kPerfmonV2Width40, 1ull << 40},
        {0x9, SamplerRig::kPerfmonV3Width48, 1ull << 40}, // leaf 0x0A not reported
        {0xB, 0x00000000, 1ull << 40},                    // no width: the default
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.highestLeaf);
        SamplerRig rig;
        rig.nehalem(0x1, 20, kTurbo25, c.perfmonEax);
        rig.cpu.setCpuid(0x0, {c.highestLeaf, 0, 0, 0});
        // The sampler alone: start() refuses the processors of the last two.
        rig.access = std::make_unique<hw::HardwareAccess>(rig.cpu);
        EXPECT_EQ(TurboSampler(*rig.access).counterModulus(), c.modulus);
    }
}

TEST(TurboSamplerStartup, RatiosOfNehalemClass)
{
    SamplerRig rig;
    rig.nehalem(0x1, 20, kTurbo25);
    rig.start();
    EXPECT_DOUBLE_EQ(rig.sampler->baseRatio(), 20.0);
    EXPECT_DOUBLE_EQ(rig.sampler->ratioCap(), 25.0 / 20.0);
    EXPECT_DOUBLE_EQ(rig.sampler->c0Scale(), 1.0);

    SamplerRig zero;
    zero.nehalem(0x1, 0, 0);
    zero.start();
    EXPECT_DOUBLE_EQ(zero.sampler->baseRatio(), 1.0);
    EXPECT_DOUBLE_EQ(zero.sampler->ratioCap(), 1.0);
}

TEST(TurboSamplerStartup, RatiosOfCore2Path)
{
    struct Case {
        uint32_t perfStatus, platformId, platformInfo; // tenths
        double base, cap, scale;
    };
    const Case cases[] = {
        {95, 90, 0, 9.0, 95.0 / 90.0, 95.0 / 90.0}, // higher PERF_STATUS ratio: half step
        {90, 90, 100, 9.0, 100.0 / 90.0, 1.0},      // equal: cap from register 0xCE
        {90, 90, 0, 9.0, 1.0, 1.0},                 // 0xCE empty: cap floored
        {80, 90, 120, 8.0, 1.0, 1.0},               // lower: that is the base, no turbo
        {85, 85, 95, 8.5, 95.0 / 85.0, 1.0},
        {0, 0, 0, 1.0, 1.0, 1.0},                   // nothing readable: floors, no division by zero
        {95, 0, 0, 1.0, 1.0, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.perfStatus * 1000 + c.platformId);
        SamplerRig rig;
        rig.core2(0x3, c.perfStatus, c.platformId, c.platformInfo);
        rig.start();
        EXPECT_FALSE(rig.sampler->nehalemClass());
        EXPECT_DOUBLE_EQ(rig.sampler->baseRatio(), c.base);
        EXPECT_DOUBLE_EQ(rig.sampler->ratioCap(), c.cap);
        EXPECT_DOUBLE_EQ(rig.sampler->c0Scale(), c.scale);
    }
}

TEST(TurboSamplerStartup, Core2DisengagesTurboWhileReadingAndRestoresIt)
{
    SamplerRig rig;
    rig.core2(0x3, 95, 90);
    const uint64_t before = 0x00450089; // without the CPUID limit, as written at step 2
    rig.start();
    std::vector<uint64_t> miscWrites;
    for (const auto& write : rig.cpu.writes()) {
        if (write.index == msr::IA32_MISC_ENABLE && write.cpu == 0)
            miscWrites.push_back(write.value);
    }
    ASSERT_EQ(miscWrites.size(), 3u);
    EXPECT_TRUE(msr::misc_enable::TurboDisengage.test(miscWrites[1]));
    EXPECT_EQ(miscWrites[2], msr::misc_enable::LimitCpuidMaxValue.set(before, 0));
}

TEST(TurboSamplerStartup, SlotTableByApicId)
{
    struct Case {
        const char* name;
        std::vector<uint32_t> apicIds; // of CPUs 0, 1, ...
        std::vector<int> slotCpu;      // cpu index per slot, -1 = empty
    };
    const Case cases[] = {
        {"six cores, two threads each",
         {0, 1, 2, 3, 4, 5, 16, 17, 18, 19, 20, 21},
         {0, 1, 2, 3, 4, 5, -1, -1, 6, 7, 8, 9, 10, 11, -1, -1}},
        {"four cores with Hyper-Threading, ids in order",
         {0, 1, 2, 3, 4, 5, 6, 7},
         {0, 1, 2, 3, 4, 5, 6, 7, -1, -1, -1, -1, -1, -1, -1, -1}},
        {"two packages", {0, 2, 4, 6, 16, 18, 20, 22, 1, 3, 5, 7, 17, 19, 21, 23},
         {0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15}},
        // Bit 3 of the APIC ID is ignored: id 8 lands on slot 0 and, coming
        // later, takes it over.
        {"bit 3 ignored", {0, 8}, {1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SamplerRig rig;
        uint32_t mask = (1u << c.apicIds.size()) - 1;
        rig.nehalem(mask, 20, kTurbo25);
        for (size_t n = 0; n < c.apicIds.size(); ++n)
            rig.cpu.setApicId(static_cast<int>(n), c.apicIds[n]);
        rig.start();
        TurboReading reading = rig.sampler->tick();
        for (int s = 0; s < kSlotCount; ++s) {
            SCOPED_TRACE(s);
            const DisplaySlot& slot = rig.sampler->slotTable()[s];
            if (c.slotCpu[s] < 0) {
                EXPECT_EQ(slot.cpu, -1);
                EXPECT_FALSE(reading.perSlot[s].shown);
            } else {
                EXPECT_EQ(slot.cpu, c.slotCpu[s]);
                EXPECT_TRUE(reading.perSlot[s].shown);
            }
        }
    }
}

TEST(TurboSamplerStartup, CoresAndThreads)
{
    struct Case {
        const char* name;
        uint32_t leaf1Ebx; // logical processors per package in bits 23:16
        uint32_t leaf4Eax; // cores per package - 1 in bits 31:26
        std::vector<uint32_t> apicIds;
        uint32_t processMask;
        int cores, threads;
    };
    const Case cases[] = {
        {"i7-2600K", 0x00100800, 0x1C004121, {0, 1, 2, 3, 4, 5, 6, 7}, 0xFF, 4, 8},
        {"i5-750 without Hyper-Threading", 0x00100800, 0x1C004121, {0, 2, 4, 6}, 0xF, 4, 4},
        {"Core 2 Duo", 0x00020800, 0x04000121, {0, 1}, 0x3, 2, 2},
        {"two sockets", 0x00100800, 0x1C004121,
         {0, 2, 4, 6, 16, 18, 20, 22, 1, 3, 5, 7, 17, 19, 21, 23}, 0xFFFF, 8, 16},
        {"process limited to two CPUs", 0x00100800, 0x1C004121, {0, 1, 2, 3, 4, 5, 6, 7}, 0x11, 4, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SamplerRig rig;
        uint32_t system = (1u << c.apicIds.size()) - 1;
        rig.nehalem(system, 20, kTurbo25);
        rig.cpu.setMasks(c.processMask, system);
        rig.cpu.setCpuid(0x1, {0x106A5, c.leaf1Ebx, 0, 0});
        rig.cpu.setCpuid(0x4, {c.leaf4Eax, 0, 0, 0});
        for (size_t n = 0; n < c.apicIds.size(); ++n)
            rig.cpu.setApicId(static_cast<int>(n), c.apicIds[n]);
        rig.start();
        CoreThreadCount count = rig.sampler->countCoresAndThreads();
        EXPECT_EQ(count.cores, c.cores);
        EXPECT_EQ(count.threads, c.threads);
    }
}

class TurboSamplerTick : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.nehalem(0x3, 20, kTurbo25);
        rig.cpu.setApicId(1, 2); // second core, slot 2
        ASSERT_EQ(rig.start().failure, StartupFailure::None);
    }
    SamplerRig rig;
};

TEST_F(TurboSamplerTick, MultiplierAndC0OfEachCpu)
{
    rig.run(0, 24.0, 1.0);
    rig.run(1, 22.0, 0.5);
    TurboReading r = rig.sampler->tick();
    EXPECT_NEAR(r.perSlot[0].multiplier, 24.0, 1e-9);
    EXPECT_NEAR(r.perSlot[0].c0Percent, 100.0, 1e-9);
    EXPECT_NEAR(r.perSlot[2].multiplier, 22.0, 1e-9);
    EXPECT_NEAR(r.perSlot[2].c0Percent, 50.0, 1e-9);
    EXPECT_FALSE(r.perSlot[1].shown);
    EXPECT_NEAR(r.averageMultiplier, 23.0, 1e-9);
    EXPECT_NEAR(r.peakMultiplier, 24.0, 1e-9);
    EXPECT_NEAR(r.stdDev, 1.0, 1e-9);
    EXPECT_NEAR(r.averageC0, 75.0, 1e-9);
}

TEST_F(TurboSamplerTick, CountersWrapAtTheirWidth)
{
    struct Case {
        uint32_t perfmonEax;
        uint64_t modulus;
    };
    const Case cases[] = {{SamplerRig::kPerfmonV3Width48, 1ull << 48}, {SamplerRig::kPerfmonV2Width40, 1ull << 40}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.modulus);
        SamplerRig wrap;
        wrap.nehalem(0x1, 20, kTurbo25, c.perfmonEax);
        wrap.cpu.setMsr(0, msr::IA32_PMC0, c.modulus - 4000);
        wrap.cpu.setMsr(0, msr::IA32_PMC1, c.modulus - 300);
        wrap.start();
        // 24000 core cycles and 1000 reference cycles, both across the wrap.
        wrap.cpu.setMsr(0, msr::IA32_PMC0, 20000);
        wrap.cpu.setMsr(0, msr::IA32_PMC1, 700);
        wrap.cpu.setTsc(0, 20000);
        TurboReading r = wrap.sampler->tick();
        EXPECT_NEAR(r.perSlot[0].multiplier, 24.0, 1e-9);
        EXPECT_NEAR(r.perSlot[0].c0Percent, 100.0, 1e-9);
    }
}

TEST_F(TurboSamplerTick, HaltedCpuKeepsItsRatioAndCountsInTheSpreadOnly)
{
    rig.run(0, 24.0, 1.0);
    rig.run(1, 24.0, 1.0);
    rig.sampler->tick();
    rig.run(0, 20.0, 1.0);
    rig.run(1, 0.0, 0.0); // fully halted: the time-stamp counter alone moves
    TurboReading r = rig.sampler->tick();
    EXPECT_NEAR(r.perSlot[2].multiplier, 24.0, 1e-9);
    EXPECT_EQ(r.perSlot[2].c0Percent, 0.0);
    EXPECT_NEAR(r.averageMultiplier, 20.0, 1e-9); // k = 1
    EXPECT_NEAR(r.averageC0, 50.0, 1e-9);
    // Spread over both CPUs of the mask, divided by k = 1: sqrt(20² × 0.2²).
    EXPECT_NEAR(r.stdDev, 4.0, 1e-9);
}

TEST_F(TurboSamplerTick, AllHaltedGivesBaseRatioAndNoSpread)
{
    rig.run(0, 24.0, 1.0);
    rig.run(1, 22.0, 1.0);
    rig.sampler->tick();
    rig.run(0, 0.0, 0.0);
    rig.run(1, 0.0, 0.0);
    TurboReading r = rig.sampler->tick();
    EXPECT_EQ(r.averageMultiplier, 20.0);
    EXPECT_EQ(r.stdDev, 0.0);
    EXPECT_EQ(r.peakMultiplier, 0.0); // peak is per tick
    EXPECT_EQ(r.averageC0, 0.0);
}

TEST_F(TurboSamplerTick, RatioAboveCapShowsTheHighestTurboMultiplier)
{
    rig.run(0, 31.0, 1.0);
    rig.run(1, 24.0, 1.0);
    TurboReading r = rig.sampler->tick();
    EXPECT_EQ(r.perSlot[0].multiplier, 25.0);
    EXPECT_EQ(r.peakMultiplier, 25.0);
    EXPECT_NEAR(r.averageMultiplier, 24.5, 1e-9);
}

TEST_F(TurboSamplerTick, CapFollowsTheLargestOfSixTurboRatios)
{
    // 1C..6C = 22, 23, 26, 21, 20, 20; bytes 7 and 8 are not turbo ratios.
    uint64_t limits = 0;
    const unsigned ratios[] = {22, 23, 26, 21, 20, 20, 40, 40};
    for (unsigned i = 0; i < 8; ++i)
        limits = msr::turbo_ratio_limit::ratioForActiveCores(i + 1).set(limits, ratios[i]);
    rig.cpu.setMsrAll(msr::MSR_TURBO_RATIO_LIMIT, limits);
    rig.run(0, 30.0, 1.0);
    rig.run(1, 30.0, 1.0);
    TurboReading r = rig.sampler->tick();
    EXPECT_DOUBLE_EQ(rig.sampler->ratioCap(), 26.0 / 20.0);
    EXPECT_EQ(r.perSlot[0].multiplier, 26.0);

    // A register of zeros does not push the cap below the base ratio.
    rig.cpu.setMsrAll(msr::MSR_TURBO_RATIO_LIMIT, 0);
    rig.run(0, 20.0, 1.0);
    rig.run(1, 20.0, 1.0);
    r = rig.sampler->tick();
    EXPECT_DOUBLE_EQ(rig.sampler->ratioCap(), 1.0);
    EXPECT_NEAR(r.averageMultiplier, 20.0, 1e-9);
}

TEST_F(TurboSamplerTick, C0AboveHundredShowsHundred)
{
    rig.run(0, 20.0, 1.3);
    rig.run(1, 20.0, 1.0);
    TurboReading r = rig.sampler->tick();
    EXPECT_EQ(r.perSlot[0].c0Percent, 100.0);
    EXPECT_EQ(r.averageC0, 100.0);
}

TEST_F(TurboSamplerTick, TimeStampCounterStandingStillGivesNoC0)
{
    rig.cpu.advance(0, 1000, 50, 0);
    rig.run(1, 20.0, 1.0);
    TurboReading r = rig.sampler->tick();
    EXPECT_EQ(r.perSlot[0].c0Percent, 0.0);
    EXPECT_NEAR(r.perSlot[0].multiplier, 20.0, 1e-9); // the ratio itself is valid
}

TEST_F(TurboSamplerTick, UnreadableCounterSkipsTheCpuUntilItReadsAgain)
{
    rig.run(0, 24.0, 1.0);
    rig.run(1, 24.0, 1.0);
    rig.sampler->tick();
    rig.cpu.removeMsr(1, msr::IA32_PMC1);
    rig.run(0, 22.0, 1.0);
    TurboReading r = rig.sampler->tick();
    EXPECT_NEAR(r.averageMultiplier, 22.0, 1e-9);
    EXPECT_EQ(r.perSlot[2].c0Percent, 0.0);
    EXPECT_NEAR(r.perSlot[2].multiplier, 24.0, 1e-9);
}

TEST_F(TurboSamplerTick, LoadFilterBoundary)
{
    struct Case {
        uint64_t refCycles; // over 100000 time-stamp cycles at base ratio 10
        bool counts;
    };
    const Case cases[] = {{8999, false}, {9000, true}, {10000, true}, {0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refCycles);
        SamplerRig one;
        one.nehalem(0x1, 10, 0x1E);
        one.start();
        ASSERT_EQ(one.sampler->range().loadFilter(), 90);
        one.cpu.advance(0, c.refCycles * 12, c.refCycles, 100000);
        TurboReading r = one.sampler->tick();
        EXPECT_EQ(r.minimumChanged, c.counts);
        EXPECT_EQ(r.maximumChanged, c.counts);
        EXPECT_EQ(one.sampler->range().minimum(), c.counts ? r.averageMultiplier : 100.0);
        EXPECT_EQ(one.sampler->range().maximum(), c.counts ? r.averageMultiplier : 0.0);
    }
}

TEST(TurboSamplerCore2, HalfRatioScalesC0)
{
    SamplerRig rig;
    rig.core2(0x1, 95, 90);
    rig.start();
    // Fully busy at 9.5: the reference cycles scale to 9/9.5 of the
    // time-stamp cycles, and the C0 factor 9.5/9 brings that back to 100 %.
    rig.cpu.advance(0, 95000, 10000, 95000);
    TurboReading r = rig.sampler->tick();
    EXPECT_NEAR(r.averageC0, 100.0, 1e-9);
    EXPECT_NEAR(r.perSlot[0].multiplier, 9.5, 1e-9);

    rig.cpu.advance(0, 45000, 5000, 95000);
    r = rig.sampler->tick();
    EXPECT_NEAR(r.averageC0, 50.0, 1e-9);
    EXPECT_NEAR(r.averageMultiplier, 9.0, 1e-9);
}

TEST(TurboSamplerMasks, CpusAboveFifteenAreMeasuredThoughNoBoxShowsThem)
{
    // A process confined to CPUs 16 to 19 once measured nothing at all; its
    // CPUs now count in the averages, while the sixteen boxes of a processor
    // mapped by its APIC ids stay blank.
    SamplerRig rig;
    rig.nehalem(0xFFFFF, 20, kTurbo25);
    rig.cpu.setMasks(0xF0000, 0xFFFFF);
    rig.start();
    for (int n = 0; n < 20; ++n)
        rig.run(n, 24.0, 1.0);
    TurboReading r = rig.sampler->tick();
    for (int s = 0; s < kSlotCount; ++s)
        EXPECT_FALSE(r.perSlot[s].shown) << s;
    EXPECT_NEAR(r.averageC0, 100.0, 1e-9);
    EXPECT_NEAR(r.averageMultiplier, 24.0, 1e-9);
    std::set<int> written;
    for (const auto& write : rig.cpu.writes())
        written.insert(write.cpu);
    EXPECT_EQ(written.size(), 20u) << "the counters are programmed on every CPU of the system set";
}

TEST(TurboSamplerMasks, CpuLeavingTheProcessMaskSpansItsAbsence)
{
    SamplerRig rig;
    rig.nehalem(0x3, 20, kTurbo25);
    rig.cpu.setApicId(1, 2);
    rig.start();
    rig.cpu.setMasks(0x1, 0x3);
    rig.run(0, 24.0, 1.0);
    rig.run(1, 22.0, 1.0);
    TurboReading r = rig.sampler->tick();
    EXPECT_FALSE(r.perSlot[2].shown);
    EXPECT_NEAR(r.averageMultiplier, 24.0, 1e-9);
    EXPECT_NEAR(r.averageC0, 100.0, 1e-9);

    rig.cpu.setMasks(0x3, 0x3);
    rig.run(0, 24.0, 1.0);
    rig.run(1, 26.0, 0.5);
    r = rig.sampler->tick();
    // The difference spans both ticks: 220 + 130 million core cycles over
    // 15 million reference cycles at base 20, busy 1.5 ticks out of 2.
    EXPECT_NEAR(r.perSlot[2].multiplier, 350.0 / 15.0, 1e-9);
    EXPECT_NEAR(r.perSlot[2].c0Percent, 75.0, 1e-9);
}

} // namespace
} // namespace turbo::test
