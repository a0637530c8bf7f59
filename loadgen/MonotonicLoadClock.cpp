#include "loadgen/MonotonicLoadClock.h"

#include <cerrno>
#include <ctime>

namespace loadgen {

bool MonotonicLoadClock::frequency(int64_t& ticksPerSecond)
{
    timespec resolution{};
    if (clock_getres(CLOCK_MONOTONIC_RAW, &resolution) != 0)
        return false;
    ticksPerSecond = 1'000'000'000;
    return true;
}

bool MonotonicLoadClock::counter(int64_t& ticks)
{
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC_RAW, &now) != 0)
        return false;
    ticks = static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    return true;
}

void MonotonicLoadClock::sleep(uint32_t milliseconds)
{
    timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

} // namespace loadgen

namespace loadgen {

void MonotonicLoadClock::sleepUntil(int64_t ticks)
{
    timespec raw{};
    timespec monotonic{};
    if (clock_gettime(CLOCK_MONOTONIC_RAW, &raw) != 0 || clock_gettime(CLOCK_MONOTONIC, &monotonic) != 0)
        return;
    const int64_t remaining = ticks - (static_cast<int64_t>(raw.tv_sec) * 1'000'000'000 + raw.tv_nsec);
    if (remaining <= 0)
        return;
    const int64_t deadline = static_cast<int64_t>(monotonic.tv_sec) * 1'000'000'000 + monotonic.tv_nsec + remaining;
    const timespec at{static_cast<time_t>(deadline / 1'000'000'000), static_cast<long>(deadline % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

} // namespace loadgen
