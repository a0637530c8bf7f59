#pragma once
// The clock the load loop runs on: a high-resolution counter with its
// frequency, a sleep in milliseconds, and a sleep until a given counter
// value. Either counter call may fail.

#include <cstdint>

namespace loadgen {

class LoadClock {
public:
    virtual ~LoadClock() = default;
    // Counter ticks per second; false when there is no such counter.
    virtual bool frequency(int64_t& ticksPerSecond) = 0;
    // The counter now; false on failure.
    virtual bool counter(int64_t& ticks) = 0;
    virtual void sleep(uint32_t milliseconds) = 0;
    // Sleeps until the counter reaches `ticks` (at once when it has), not
    // rounded to whole milliseconds: an idle slot ends on time.
    virtual void sleepUntil(int64_t ticks) = 0;
};

} // namespace loadgen
