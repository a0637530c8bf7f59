#pragma once
// The local time as the graphics sensors see it: the times of their extremes
// and the clock seconds the ATI sensor polls on.

#include <ctime>
#include <functional>

namespace monitor {

using GpuClock = std::function<std::tm()>;

// Seconds since midnight: hours × 3600 + minutes × 60 + seconds.
inline int secondsOfDay(const std::tm& time) { return time.tm_hour * 3600 + time.tm_min * 60 + time.tm_sec; }

} // namespace monitor
