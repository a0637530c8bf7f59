// Edge cases of the counter measurement, the information views and the
// six-core build's fixed counters, on simulated processors.

#include "tests/monitor/measure/MeasureRig.h"
#include "platform/CFormat.h"

#include "monitor/measure/CounterProgramming.h"
#include "monitor/measure/MeasureCounters.h"
#include "monitor/measure/MeasureMath.h"

using namespace measuretest;
using namespace monitor;

namespace {

TEST(MeasureEdges, CounterWrapBetweenCycles)
{
    struct Case {
        const char* name;
        unsigned width;
    };
    // Core 2 counters are 40 bits wide, Nehalem and Sandy Bridge ones 48.
    for (const Case& c : {Case{"e8400", 40}, Case{"q6600", 40}, Case{"i7-920", 48}, Case{"i7-2600k", 48}}) {
        SCOPED_TRACE(c.name);
        Rig rig(c.name, 100.0);
        rig.requestRatio(rig.profile().baseRatioTenths);
        uint64_t top = uint64_t(1) << c.width;
        // A few thousand counts before the top: both counters pass it within the cycle.
        for (int cpu = 0; cpu < rig.sim->cpuCount(); ++cpu) {
            rig.sim->poke(cpu, msr::IA32_PMC0, top - 5000);
            rig.sim->poke(cpu, msr::IA32_PMC1, top - 3000);
        }
        rig.create();
        EXPECT_EQ(rig.counters.counterWrap, top);
        const ReadingTexts& texts = rig.cycle();
        ASSERT_LT(rig.sim->peek(0, msr::IA32_PMC0).value_or(top), top - 5000) << "the counter did not wrap";
        EXPECT_EQ(texts.multiplier,
                  platform::cformat("%.2f x %.1f", rig.profile().busHz() / 1e6, rig.profile().baseRatioTenths / 10.0));
        EXPECT_NEAR(numberIn(texts.load), 100.0, 1.0);
    }
}

TEST(MeasureEdges, FactorCappedAtHighestTurboRatio)
{
    // The i7-975 runs one busy core at 27, but its turbo register claims 26
    // at most: the factor is cut to 26 / 25.
    Rig rig("i7-975", 0.0);
    rig.sim->setLoad(0, 100.0);
    rig.requestRatio(rig.profile().topRatioTenths());
    rig.processor->overlay(msr::MSR_TURBO_RATIO_LIMIT, 0x1A1A1A1A);
    rig.create();
    rig.cycle();
    ASSERT_EQ(rig.runningRatioTenths(), 270);
    EXPECT_DOUBLE_EQ(rig.counters.maxRatioFactor, 26.0 / 25.0);
    EXPECT_DOUBLE_EQ(rig.counters.ratioFactor[0], 26.0 / 25.0);
    EXPECT_EQ(rig.readings->texts().multiplier, "133.33 x 26.0");
}

void holdCounters(Rig& rig)
{
    for (uint32_t index : {msr::IA32_PMC0, msr::IA32_PMC1, msr::IA32_FIXED_CTR1, msr::IA32_FIXED_CTR2})
        rig.processor->hold(index);
}

TEST(MeasureEdges, AllIdleUsesProcessorZero)
{
    // Nehalem: with every counter still, each processor keeps its last
    // factor and the multiplier is processor 0's. (The program's own CPU
    // never halts, so the counters are held still.)
    {
        Rig rig("i7-920", 100.0);
        rig.requestRatio(150);
        rig.create();
        EXPECT_EQ(rig.cycle().multiplier, "133.33 x 15.0");
        holdCounters(rig);
        for (int cpu = 0; cpu < rig.sim->cpuCount(); ++cpu)
            rig.sim->setLoad(cpu, 0.0);
        const ReadingTexts& texts = rig.cycle();
        EXPECT_EQ(BusiestCpu(rig.counters, 8), 0);
        EXPECT_EQ(texts.multiplier, "133.33 x 15.0");
        EXPECT_EQ(texts.load, "Load   0.0%");
    }
    // Core 2: the counters gave nothing, so every factor comes from the
    // ratio the processor runs at now.
    {
        Rig rig("e8400", 0.0);
        rig.requestRatio(70);
        rig.create();
        holdCounters(rig);
        const ReadingTexts& texts = rig.cycle();
        EXPECT_EQ(texts.multiplier, "333.33 x 7.0");
        EXPECT_EQ(texts.load, "Load   0.0%");
        for (double factor : rig.counters.ratioFactor)
            EXPECT_DOUBLE_EQ(factor, 7.0 / 9.0);
    }
}

TEST(MeasureEdges, BusiestProcessorChoosesTheFactor)
{
    ClockCounters counters;
    struct Case {
        std::array<double, 8> loads;
        int busiest;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0, 0, 0}, 0},
        {{10, 20, 90, 30, 0, 0, 0, 0}, 2},
        {{50, 80, 80, 0, 0, 0, 0, 0}, 1},   // first of equals
        {{0, 0, 0, 0, 0, 0, 0, 0.5}, 7},
    };
    for (const Case& c : cases) {
        std::copy(c.loads.begin(), c.loads.end(), counters.load.begin());
        EXPECT_EQ(BusiestCpu(counters, 8), c.busiest);
    }
}

TEST(MeasureEdges, EnergyCounterWrap)
{
    Rig rig("i7-2600k", 100.0);
    rig.requestRatio(340);
    // Half a second of energy (at 95 W or less) before the 32-bit counter wraps.
    rig.sim->poke(0, msr::MSR_PKG_ENERGY_STATUS, uint64_t(4294967296.0 - 0.5 * 95.0 * 65536.0));
    rig.create(FourCoreMeasure, 0, PowerView);
    ASSERT_EQ(rig.readings->infoView(), PowerView);
    // The interval in which it wrapped keeps the previous figure (none yet).
    EXPECT_EQ(rig.cycle().info, "0.0 W");
    // The next one measures again.
    rig.cycle();
    double watts = rig.sim->packageWatts(0);
    EXPECT_NEAR(rig.counters.packageWatts, watts, watts * 0.01);
    double before = rig.counters.packageWatts;
    // Another wrap later on: the last figure stays.
    rig.sim->poke(0, msr::MSR_PKG_ENERGY_STATUS, 0xFFFFFF00u);
    rig.counters.energyLast = 0xFFFFFF00u;
    rig.cycle();
    EXPECT_DOUBLE_EQ(rig.counters.packageWatts, before);
}

TEST(MeasureEdges, InformationViews)
{
    struct Case {
        const char* name;
        int stored;
        int startView;
        int views;
        int control;
    };
    const Case cases[] = {
        {"e8400", 2, RunTimerView, 2, InfoButtonControl},   // stored 2 on Core 2 starts as 0
        {"e8400", 1, VidView, 2, InfoButtonControl},
        {"i7-920", 1, RunTimerView, 1, InfoTextControl},
        {"i7-2600k", 2, PowerView, 3, InfoButtonControl},
        {"i7-2600k", 3, RunTimerView, 3, InfoButtonControl},
        {"n270", -1, RunTimerView, 2, InfoButtonControl},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " stored " + std::to_string(c.stored));
        Rig rig(c.name, 50.0);
        rig.create(FourCoreMeasure, 0, c.stored);
        EXPECT_EQ(rig.readings->infoView(), c.startView);
        EXPECT_EQ(InfoViewCount(rig.info), c.views);
        EXPECT_EQ(InfoControlId(rig.info), c.control);
        // NextInfoView walks through every view and back.
        std::vector<int> seen;
        for (int i = 0; i < c.views; ++i) {
            rig.advance(1.0);
            rig.readings->NextInfoView({});
            seen.push_back(rig.readings->infoView());
        }
        EXPECT_EQ(seen.back(), c.startView);
        std::sort(seen.begin(), seen.end());
        for (int i = 0; i < c.views; ++i)
            EXPECT_EQ(seen[static_cast<size_t>(i)], i);
    }
}

TEST(MeasureEdges, RunTimerThroughTimeJumps)
{
    Rig rig("e8400", 10.0);
    rig.create();
    for (int i = 0; i < 5; ++i)
        rig.cycle();
    EXPECT_EQ(rig.readings->texts().info, "0:00:05");
    // The system clock is put forward an hour between two cycles.
    rig.stepping().shiftWallClock(3600);
    EXPECT_EQ(rig.cycle().info, "0:00:06");
    // A jump while another view is shown does not reach the timer either.
    rig.readings->NextInfoView({});
    rig.stepping().shiftWallClock(-7200);
    rig.cycle();
    rig.readings->NextInfoView({});
    EXPECT_EQ(rig.readings->texts().info, "0:00:07");
    // A minute in the VID view is a minute on the timer.
    rig.readings->NextInfoView({});
    for (int i = 0; i < 60; ++i)
        rig.cycle();
    rig.readings->NextInfoView({});
    EXPECT_EQ(rig.readings->texts().info, "0:01:07");
    for (int i = 0; i < 3600; ++i)
        rig.cycle(1.0);
    EXPECT_EQ(rig.readings->texts().info, "1:01:07");
    rig.readings->ResetRunTimer();
    EXPECT_EQ(rig.cycle().info, "0:00:01");
}

TEST(MeasureEdges, FlexibleRatioChangeRecalibrates)
{
    Rig rig("e8400", 100.0);
    rig.requestRatio(90);
    rig.create();
    auto miscWrites = [&] {
        size_t n = 0;
        for (const sim::WriteRecord& w : rig.sim->writes())
            n += w.index == msr::IA32_MISC_ENABLE;
        return n;
    };
    rig.cycle();
    rig.sim->clearWrites();
    rig.cycle();
    EXPECT_EQ(miscWrites(), 0u) << "unchanged flexible ratio: no calibration";

    // The flexible ratio is set to 7 and the processor now qualifies 7 at most.
    rig.sim->poke(0, msr::MSR_FLEX_RATIO, 0x10700);
    rig.processor->overlay(msr::IA32_PLATFORM_ID, msr::platform_id::MaxQualifiedRatio.set(0, 7),
                           msr::platform_id::MaxQualifiedRatio.mask());
    rig.cycle();
    EXPECT_EQ(miscWrites(), 2u) << "turbo disengaged and restored once";
    EXPECT_DOUBLE_EQ(rig.counters.nominalRatio, 7.0);
    EXPECT_DOUBLE_EQ(rig.counters.maxRatioFactor, 9.0 / 7.0);
    EXPECT_EQ(rig.readings->texts().multiplier, "333.33 x 9.0");
    rig.cycle();
    EXPECT_EQ(miscWrites(), 2u);

    // After a resume the calibration runs again on request.
    rig.processor->clearOverlay(msr::IA32_PLATFORM_ID);
    rig.readings->Recalibrate();
    EXPECT_EQ(miscWrites(), 4u);
    EXPECT_DOUBLE_EQ(rig.counters.nominalRatio, 9.0);
    EXPECT_NEAR(rig.counters.nominalHz, 3e9, 3e9 * 1e-3);
    // Turbo disengage is back as it was.
    EXPECT_FALSE(msr::misc_enable::TurboDisengage.test(rig.sim->peek(0, msr::IA32_MISC_ENABLE).value_or(0)));
}

TEST(MeasureEdges, CountersProgrammedOnEveryProcessor)
{
    Rig rig("xeon-x5570-2s", 50.0);
    rig.create();
    auto armed = [&](int cpu) {
        uint64_t global = rig.sim->peek(cpu, msr::IA32_PERF_GLOBAL_CTRL).value_or(0);
        return msr::lowHalf(rig.sim->peek(cpu, msr::IA32_PERFEVTSEL0).value_or(0)) == 0x43003Cu &&
               msr::lowHalf(rig.sim->peek(cpu, msr::IA32_PERFEVTSEL1).value_or(0)) == 0x43013Cu &&
               msr::perf_global_ctrl::Pmc0Enable.test(global) && msr::perf_global_ctrl::Pmc1Enable.test(global);
    };
    for (int cpu = 0; cpu < 16; ++cpu)
        EXPECT_EQ(armed(cpu), cpu < 8) << "cpu " << cpu;
    EXPECT_EQ(rig.counters.count, 8);

    // Something else stopped the counters: the cycle starts them again.
    rig.sim->poke(3, msr::IA32_PERFEVTSEL0, 0);
    rig.sim->poke(3, msr::IA32_PERF_GLOBAL_CTRL, 0);
    rig.cycle();
    EXPECT_TRUE(armed(3));
}

TEST(MeasureEdges, SixCoreBuildUsesFixedCounters)
{
    struct Case {
        const char* name;
        double load;
        int count;
    };
    for (const Case& c : {Case{"xeon-x5570-2s", 50.0, 16}, Case{"i7-980x", 100.0, 12}, Case{"e8400", 75.0, 2},
                          Case{"n270", 50.0, 2}}) {
        SCOPED_TRACE(c.name);
        Rig rig(c.name, c.load);
        const sim::Profile& p = rig.profile();
        rig.requestRatio(p.baseRatioTenths);
        rig.create(SixCoreMeasure);
        EXPECT_EQ(rig.counters.count, c.count);
        for (int cpu = 0; cpu < c.count; ++cpu) {
            uint64_t control = rig.sim->peek(cpu, msr::IA32_FIXED_CTR_CTRL).value_or(0);
            EXPECT_EQ(control & 0x330, 0x330u) << "cpu " << cpu;
            uint64_t global = rig.sim->peek(cpu, msr::IA32_PERF_GLOBAL_CTRL).value_or(0);
            EXPECT_TRUE(msr::perf_global_ctrl::FixedCtr1Enable.test(global) &&
                        msr::perf_global_ctrl::FixedCtr2Enable.test(global));
        }
        const ReadingTexts& texts = rig.cycle();
        EXPECT_EQ(texts.multiplier, platform::cformat("%.2f x %.1f", p.busHz() / 1e6, p.baseRatioTenths / 10.0));
        EXPECT_NEAR(numberIn(texts.load), c.load, 1.0);
        EXPECT_FALSE(rig.counters.countersGivenUp);
    }
}

TEST(MeasureEdges, SixCoreBuildGivesUpSilentCounters)
{
    // Core 2 whose fixed core-cycle counter never moves: the counters are
    // given up for good and the ratio registers take over.
    Rig rig("e8400", 100.0);
    rig.requestRatio(60);
    rig.processor->overlay(msr::IA32_FIXED_CTR1, 12345);
    rig.create(SixCoreMeasure);
    EXPECT_EQ(rig.cycle().multiplier, "333.33 x 9.0");
    EXPECT_TRUE(rig.counters.countersGivenUp);
    rig.processor->clearOverlay(msr::IA32_FIXED_CTR1);
    rig.cycle();
    EXPECT_EQ(rig.cycle().multiplier, "333.33 x 9.0");
    EXPECT_TRUE(rig.counters.countersGivenUp);

    // The four-core build keeps its counters.
    Rig fourCore("e8400", 100.0);
    fourCore.requestRatio(60);
    fourCore.processor->overlay(msr::IA32_PMC0, 12345);
    fourCore.create(FourCoreMeasure);
    fourCore.cycle();
    EXPECT_FALSE(fourCore.counters.countersGivenUp);
}

TEST(MeasureEdges, ReferenceScaleOfEachCounterKind)
{
    ClockCounters counters;
    counters.nominalRatio = 9.0;
    counters.baseRatio = 9.5;
    counters.flavour = FourCoreMeasure;
    EXPECT_DOUBLE_EQ(ReferenceScale(counters), 9.0);
    counters.flavour = SixCoreMeasure;
    EXPECT_DOUBLE_EQ(ReferenceScale(counters), 9.0 / 9.5);
}

} // namespace

// A register that cannot be read is never written back from a zero image:
// that would switch off SpeedStep and thermal control, or the enables of
// counters that others use.
TEST(MeasureEdges, UnreadableRegistersAreNotRewritten)
{
    struct Case {
        const char* profile;
        uint32_t unreadable;
        const monitor::MeasureFlavour* flavour;
    };
    const Case cases[] = {
        {"e8400", msr::IA32_MISC_ENABLE, &monitor::FourCoreMeasure},
        {"i7-920", msr::IA32_PERF_GLOBAL_CTRL, &monitor::FourCoreMeasure},
        {"i7-920", msr::IA32_PERF_GLOBAL_CTRL, &monitor::SixCoreMeasure},
        {"i7-920", msr::IA32_FIXED_CTR_CTRL, &monitor::SixCoreMeasure},
    };
    for (const Case& c : cases) {
        measuretest::Rig rig(c.profile, 50);
        rig.processor->failReads(c.unreadable);
        rig.sim->clearWrites();
        rig.create(*c.flavour);
        rig.readings->UpdateReadings({});
        int written = 0;
        int total = 0;
        for (const sim::WriteRecord& w : rig.sim->writes()) {
            ++total;
            written += w.index == c.unreadable;
        }
        EXPECT_EQ(written, 0) << c.profile << " register 0x" << std::hex << c.unreadable;
        EXPECT_GT(total, 0) << "the other counter registers are still programmed";
    }
}
