#include "monitor/measure/ClockRing.h"
#include "platform/CFormat.h"
#include "monitor/measure/MeasureMath.h"
#include "monitor/measure/RunTimer.h"

#include "registers/MsrIndex.h"

#include <gtest/gtest.h>

#include <optional>

using namespace monitor;

namespace {

TEST(MultiplierRounding, TenthsInTurboHalfStepsOtherwise)
{
    struct Case {
        double nominal, factor, expected;
    };
    const Case cases[] = {
        {9.5, 1.0, 9.5},
        {25.0, 1.07, 26.8},   // 26.75 in turbo: round(267.5) / 10
        {25.0, 0.99, 25.0},   // 24.75 at or below nominal: half steps
        {20.0, 0.6, 12.0},
        {9.0, 0.72, 6.5},     // 6.48
        {9.0, 0.75, 7.0},     // 6.75 rounds up to the next half
        {22.0, 1.3, 28.6},
        {8.0, 0.0, 0.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(RoundMultiplier(c.nominal * c.factor, c.factor), c.expected)
            << c.nominal << " x " << c.factor;
    EXPECT_DOUBLE_EQ(RoundToHalf(8.74), 8.5);
    EXPECT_DOUBLE_EQ(RoundToHalf(8.75), 9.0);
}

TEST(MultiplierRounding, RatioTenths)
{
    EXPECT_EQ(RatioTenths(9, false), 90);
    EXPECT_EQ(RatioTenths(8, true), 85);
    EXPECT_EQ(RatioTenths(0, true), 5);
}

TEST(PackagePowerTest, EnergyOverTicks)
{
    const double unit = 1.0 / 65536.0; // 2^-16 J
    // 95 J in one second.
    auto watts = PackagePower(1000 + 95 * 65536, 2000, 1000, 1000, unit);
    ASSERT_TRUE(watts.has_value());
    EXPECT_NEAR(*watts, 95.0, 1e-9);
    // Half a second.
    watts = PackagePower(65536 * 10, 1500, 0, 1000, unit);
    ASSERT_TRUE(watts.has_value());
    EXPECT_NEAR(*watts, 20.0, 1e-9);

    // The energy counter wrapped: no new figure for that interval.
    EXPECT_FALSE(PackagePower(100, 2000, 0xFFFFFF00u, 1000, unit).has_value());
    // No energy or no time.
    EXPECT_FALSE(PackagePower(500, 2000, 500, 1000, unit).has_value());
    EXPECT_FALSE(PackagePower(900, 1000, 500, 1000, unit).has_value());
    // The tick count wrapped.
    EXPECT_FALSE(PackagePower(900, 10, 500, 0xFFFFFFF0u, unit).has_value());
}

TEST(VidFormulas, ThreeEncodings)
{
    using msr::perf_status::CurrentVid;
    using msr::perf_status::SandyBridgeVoltage;
    struct Case {
        VidFormula formula;
        uint64_t perfStatus;
        double volts;
    };
    const Case cases[] = {
        {VidFormula::Desktop, CurrentVid.set(0, 0x20), 0.825 + 32 * 0.0125},
        {VidFormula::Mobile, CurrentVid.set(0, 0x20), 0.7125 + 32 * 0.0125},
        {VidFormula::Desktop, CurrentVid.set(0, 0), 0.825},
        // Only the low six bits count.
        {VidFormula::Mobile, CurrentVid.set(0, 0x3F) | 0xC0, 0.7125 + 63 * 0.0125},
        {VidFormula::SandyBridge, SandyBridgeVoltage.set(0, 0x2000), 1.0},
        {VidFormula::SandyBridge, SandyBridgeVoltage.set(0, 9830) | 0xFF, 9830.0 / 8192.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(VidVolts(c.formula, c.perfStatus), c.volts, 1e-12);
    EXPECT_EQ(platform::cformat("%.4f VID", VidVolts(VidFormula::Desktop, CurrentVid.set(0, 0x20))), "1.2250 VID");
}

TEST(VidFormulas, SixCoreMobileRule)
{
    struct Case {
        const char* model;
        uint32_t signature;
        VidFormula formula;
    } cases[] = {
        {"T8100", 0x10676, VidFormula::Mobile},  {"T9300", 0x1067A, VidFormula::Mobile},
        {"P8600", 0x10676, VidFormula::Mobile},  {"T7700", 0x10676, VidFormula::Desktop},
        {"T8100", 0x10670, VidFormula::Mobile},  {"T8100", 0x1067F, VidFormula::Mobile},
        {"T9300", 0x10680, VidFormula::Desktop}, {"P8600", 0x1066F, VidFormula::Desktop},
        {"T7500", 0x06FB, VidFormula::Desktop},  {"E8400", 0x1067A, VidFormula::Desktop},
        {"Q9300", 0x1067A, VidFormula::Desktop}, {"-----", 0x10676, VidFormula::Desktop},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SixCoreVidFormula(c.model, c.signature), c.formula) << c.model << " " << std::hex << c.signature;
}

TEST(ClockRingTest, PublishesOnlyWhenEveryEntryAgrees)
{
    ClockRing ring;
    ring.fill(3000000);
    EXPECT_EQ(ring.add(3000010), std::optional<uint64_t>(3000002));

    // One entry 26 kHz from the average freezes the value ...
    ring.fill(3000000);
    // (3000032 against an average of 3000006).
    EXPECT_FALSE(ring.add(3000032).has_value());
    // ... until it has left the ring again: four more consistent entries are
    // not enough, the fifth pushes it out.
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(ring.add(3000000).has_value()) << i;
    EXPECT_EQ(ring.add(3000000), std::optional<uint64_t>(3000000));

    // Exactly 25 kHz away is still in agreement.
    ring.fill(1000000);
    for (int i = 0; i < 4; ++i)
        ring.add(1000000);
    // entries 4 x 1000000 + 1000125: average 1000025, distances 25 and 100.
    EXPECT_FALSE(ring.add(1000125).has_value());
    ring.fill(1000000);
    // 1000000 x 4 + 1000031: average 1000006, distance 25 and 6.
    EXPECT_EQ(ring.add(1000031), std::optional<uint64_t>(1000006));
}

TEST(ClockRingTest, SumFollowsReplacedEntries)
{
    ClockRing ring;
    ring.fill(100);
    for (uint64_t v : {110, 120, 130, 140, 150, 160})
        ring.add(v);
    EXPECT_EQ(ring.sum(), 120u + 130 + 140 + 150 + 160);
}

TEST(ClockSampleChoice, WindowsAgainstPerformanceCounter)
{
    struct Case {
        uint64_t r125, r250, q, expected;
        const char* what;
    };
    const Case cases[] = {
        {3000000, 3000000, 3000000, 3000000, "all agree: performance counter figure"},
        {3000000, 3001000, 3300000, 3001000, "windows agree, counter off by 299 MHz: window"},
        {3000000, 3009000, 3300000, 3300000, "windows 0.3 % apart: counter kept"},
        {3000000, 2991000, 3300000, 3300000, "windows 0.3 % apart the other way"},
        {3000000, 3008900, 3300000, 3008900, "windows 0.297 % apart: still agree"},
        {3000000, 3000000, 3001999, 3001999, "counter within 2 MHz: counter kept"},
        {3000000, 3000000, 3002000, 3000000, "counter 2 MHz away: window"},
        {0, 3000000, 2000000, 2000000, "empty short window"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseClockSample(c.r125, c.r250, c.q), c.expected) << c.what;
}

TEST(RunTimerTest, AdvancesWithTimeAndAbsorbsJumps)
{
    const int64_t start = 1000000;
    RunTimer timer(start);
    int64_t now = start;
    for (int i = 0; i < 65; ++i)
        timer.observe(++now, 1000);
    EXPECT_EQ(timer.elapsed(now), 65);
    EXPECT_EQ(RunTimer::format(timer.elapsed(now)), "0:01:05");

    // The system clock moved forward by an hour: one second on the timer.
    now += 3600;
    timer.observe(now, 1000);
    EXPECT_EQ(timer.elapsed(now), 66);
    // And back again.
    now -= 3600;
    timer.observe(now, 1000);
    EXPECT_EQ(timer.elapsed(now), 67);

    // Three seconds between cycles is no jump at a 1 s interval (limit 1 + 2).
    now += 3;
    timer.observe(now, 1000);
    EXPECT_EQ(timer.elapsed(now), 70);
    // Four is.
    now += 4;
    timer.observe(now, 1000);
    EXPECT_EQ(timer.elapsed(now), 71);
    // At a 20 s interval, 22 s between cycles are normal.
    now += 22;
    timer.observe(now, 20000);
    EXPECT_EQ(timer.elapsed(now), 93);

    timer.restart(now);
    EXPECT_EQ(timer.elapsed(now), 0);
    EXPECT_EQ(timer.offset(), 0);
}

TEST(RunTimerTest, Format)
{
    EXPECT_EQ(RunTimer::format(0), "0:00:00");
    EXPECT_EQ(RunTimer::format(59), "0:00:59");
    EXPECT_EQ(RunTimer::format(3723), "1:02:03");
    EXPECT_EQ(RunTimer::format(90000), "25:00:00");
}

} // namespace
