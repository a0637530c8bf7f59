#pragma once
// The real clock: CLOCK_MONOTONIC_RAW in nanoseconds (frequency 10^9),
// nanosleep, and an absolute-deadline clock_nanosleep on CLOCK_MONOTONIC (the
// raw clock cannot be slept on; over one slot the two do not drift apart).

#include "loadgen/LoadClock.h"

namespace loadgen {

class MonotonicLoadClock : public LoadClock {
public:
    bool frequency(int64_t& ticksPerSecond) override;
    bool counter(int64_t& ticks) override;
    void sleep(uint32_t milliseconds) override;
    void sleepUntil(int64_t ticks) override;
};

} // namespace loadgen
