#include "monitor/diag/BenchReport.h"
#include "monitor/diag/BenchWorkload.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

using namespace monitor;

namespace {

uint32_t low32(int64_t value) { return static_cast<uint32_t>(static_cast<uint64_t>(value)); }

TEST(BenchWorkload, ChecksumDoesNotDependOnTheTime)
{
    // The table is seeded with the time; the fixed re-seed must wipe that out.
    for (std::time_t now : {std::time_t{0}, std::time_t{1262304000}, std::time_t{1765238400}, std::time_t{0x7FFFFFFF}})
        EXPECT_EQ(low32(BenchWorkload(1, now)), BenchChecksum) << now;
}

TEST(BenchWorkload, ThreadsRunningAtOnceAllGetTheChecksum)
{
    std::vector<std::future<int64_t>> runs;
    for (int i = 0; i < 4; ++i)
        runs.push_back(std::async(std::launch::async, [i] { return BenchWorkload(1, 1000 + i * 7919); }));
    for (auto& run : runs)
        EXPECT_EQ(low32(run.get()), BenchChecksum);
}

TEST(BenchReport, ClockChoice)
{
    // Counter ticks in nanoseconds, a 3000 MHz time-stamp counter at 3 ticks per counter tick.
    struct Case {
        double performanceSeconds;
        uint32_t tickMs;
        double tscMHz;
        BenchTimer timer;
        double seconds;
    } cases[] = {
        {14.630, 14640, 3000.0, BenchTimer::Performance, 14.630},
        {14.630, 14660, 3000.0, BenchTimer::Standard, 14.660},
        {14.630, 14620, 3000.0, BenchTimer::Performance, 14.630},
        {14.630, 14650, 0.0, BenchTimer::Standard, 14.650}, // counter figures not measured yet
    };
    for (const Case& c : cases) {
        BenchClockReadings readings;
        readings.counterTicks = static_cast<int64_t>(c.performanceSeconds * 1e9);
        readings.tscPerCounterTick = 3.0;
        readings.tscMHz = c.tscMHz;
        readings.tickMilliseconds = c.tickMs;
        const BenchTime time = chooseBenchTime(readings);
        EXPECT_EQ(time.timer, c.timer) << c.tickMs;
        EXPECT_NEAR(time.seconds, c.seconds, 1e-9) << c.tickMs;
    }
    // A tick count of 0 beside a measured counter: the two disagree, the tick count wins.
    BenchClockReadings zeroTicks{14'630'000'000, 3.0, 3000.0, 0};
    EXPECT_EQ(chooseBenchTime(zeroTicks).timer, BenchTimer::Standard);
}

TEST(BenchReport, ResultTextOfEachBuild)
{
    const std::string four =
        benchResultText({14.630, BenchTimer::Performance}, 3000.25, ChecksumResult::Pass, hw::FourCoreBuild);
    EXPECT_EQ(four.substr(0, four.find("WR Holder")),
              "Your Score          1000\n"
              "Time         14.630 secs\n"
              "Speed    3000.25 MHz\n\n"
              "Performance Timer\n"
              "CheckSum Pass\n\n"
              "Base Score          1000\n"
              "E8400         3000 MHz         \n\n"
              "High Score          2308\n"
              "Time           6.338 secs\n"
              "Xeon     5712.25 MHz\n");
    const std::string six =
        benchResultText({14.660, BenchTimer::Standard}, 2400.0, ChecksumResult::Fail, hw::SixCoreBuild);
    EXPECT_NE(six.find("Your Score           998\n"), std::string::npos) << six;
    EXPECT_NE(six.find("Standard Timer\nCheckSum Fail\n\n"), std::string::npos) << six;
    EXPECT_NE(six.find("High Score          1976\nTime           7.404 secs\ni7 940     4830.28 MHz\nWR Holder"),
              std::string::npos)
        << six;
}

} // namespace
