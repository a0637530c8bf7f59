#pragma once
// The real clock: CLOCK_MONOTONIC_RAW in nanoseconds (frequency 10^9) and
// nanosleep.

#include "loadgen/LoadClock.h"

namespace loadgen {

class MonotonicLoadClock : public LoadClock {
public:
    bool frequency(int64_t& ticksPerSecond) override;
    bool counter(int64_t& ticks) override;
    void sleep(uint32_t milliseconds) override;
};

} // namespace loadgen
