#include "monitor/diag/BenchReport.h"

#include "platform/CFormat.h"

#include <cmath>

namespace monitor {

namespace {

// The record lines each build shows below the reference machine.
constexpr const char* FourCoreRecord = "High Score          2308\n"
                                       "Time           6.338 secs\n"
                                       "Xeon     5712.25 MHz\n";
constexpr const char* SixCoreRecord = "High Score          1976\n"
                                      "Time           7.404 secs\n"
                                      "i7 940     4830.28 MHz\n";
constexpr const char* RecordHolder = "WR Holder   Ostrel reference rig\n"
                                     "Measured on the suite's own test bench";

} // namespace

BenchTime chooseBenchTime(const BenchClockReadings& readings)
{
    const double standard = readings.tickMilliseconds * 0.001;
    double performance = 0.0;
    if (readings.tscMHz > 0.0)
        performance = static_cast<double>(readings.counterTicks) * readings.tscPerCounterTick /
                      (readings.tscMHz * 1000000.0);
    if (!std::isfinite(performance) || std::fabs(performance - standard) > BenchClockTolerance)
        return {standard, BenchTimer::Standard};
    return {performance, BenchTimer::Performance};
}

std::string benchResultText(const BenchTime& time, double maxSpeedMHz, ChecksumResult checksum,
                            const hw::BuildFlavour& flavour)
{
    const double score = BenchScoreSeconds / time.seconds;
    std::string text = platform::cformat("Your Score   %11.0f\n", score);
    text += platform::cformat("Time         %.3f secs\n", time.seconds);
    text += platform::cformat("Speed    %.2f MHz\n\n", maxSpeedMHz);
    text += time.timer == BenchTimer::Performance ? "Performance Timer\n" : "Standard Timer\n";
    text += checksum == ChecksumResult::Pass ? "CheckSum Pass" : "CheckSum Fail";
    text += "\n\nBase Score          1000\n";
    text += "E8400         3000 MHz         \n\n";
    text += flavour.sixCoreRules ? SixCoreRecord : FourCoreRecord;
    text += RecordHolder;
    return text;
}

} // namespace monitor
