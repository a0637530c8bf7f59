#pragma once
// What the benchmark shows once its twenty runs are done: the time taken by
// the clock that can be trusted, the score against the reference machine
// (a Core 2 Duo E8400 at 3000 MHz, 14.630 s, scores 1000) and the text of
// the result box with the build's record lines.

#include "hw/BuildFlavour.h"

#include <cstdint>
#include <string>

namespace monitor {

// The score is this divided by the seconds taken: the reference machine
// takes 14.630 s and scores 1000.
constexpr double BenchScoreSeconds = 14630.0;
// Largest disagreement of the two clocks for which the fine one is believed.
constexpr double BenchClockTolerance = 0.016;

enum class BenchTimer { Performance, Standard };

struct BenchTime {
    double seconds = 0.0;
    BenchTimer timer = BenchTimer::Standard;
};

// The two readings of one run: the performance counter (with the figures
// that turn its ticks into seconds) and the millisecond tick count.
struct BenchClockReadings {
    int64_t counterTicks = 0;    // end - start of the performance counter
    double tscPerCounterTick = 0.0;
    double tscMHz = 0.0;
    uint32_t tickMilliseconds = 0; // end - start of the tick count (wraps)
};

// The performance-counter time unless it differs from the tick-count time
// by more than BenchClockTolerance; unusable counter figures (not measured
// yet) give a time far from the tick count, so the tick count is used.
BenchTime chooseBenchTime(const BenchClockReadings& readings);

enum class ChecksumResult : bool { Fail, Pass };

// The result box's text.
std::string benchResultText(const BenchTime& time, double maxSpeedMHz, ChecksumResult checksum,
                            const hw::BuildFlavour& flavour);

} // namespace monitor
