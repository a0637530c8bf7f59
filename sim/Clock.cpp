#include "sim/Clock.h"

#include <cerrno>
#include <sched.h>
#include <time.h>

namespace sim {

int64_t HostClock::nanoseconds() const
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    return int64_t(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

std::time_t HostClock::wallTime() const { return std::time(nullptr); }

void HostClock::sleep(uint32_t milliseconds)
{
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

std::time_t ManualClock::wallTime() const
{
    return m_wallStart + static_cast<std::time_t>((m_now.load() - m_start) / 1000000000LL);
}

} // namespace sim
