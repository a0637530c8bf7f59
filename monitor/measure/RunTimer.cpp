#include "monitor/measure/RunTimer.h"
#include "platform/CFormat.h"

#include "monitor/measure/MeasureMath.h"

namespace monitor {

RunTimer::RunTimer(int64_t startSeconds) : m_start(startSeconds), m_previous(startSeconds) {}

void RunTimer::observe(int64_t nowSeconds, int refreshIntervalMs)
{
    int64_t step = nowSeconds - m_previous;
    int64_t allowed = refreshIntervalMs / 1000 + 2;
    if (step > allowed || step < -allowed)
        m_offset += step - 1;
    m_previous = nowSeconds;
}

void RunTimer::restart(int64_t nowSeconds)
{
    m_start = nowSeconds;
    m_offset = 0;
}

int64_t RunTimer::elapsed(int64_t nowSeconds) const
{
    int64_t seconds = nowSeconds - m_start - m_offset;
    return seconds < 0 ? 0 : seconds;
}

std::string RunTimer::format(int64_t elapsedSeconds)
{
    int64_t hours = elapsedSeconds / 3600;
    int64_t rest = elapsedSeconds % 3600;
    return platform::cformat("%lld:%02lld:%02lld", static_cast<long long>(hours), static_cast<long long>(rest / 60),
                      static_cast<long long>(rest % 60));
}

} // namespace monitor
