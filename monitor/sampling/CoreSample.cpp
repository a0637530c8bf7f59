#include "monitor/sampling/CoreSample.h"
#include "monitor/sampling/SampleSet.h"

#include <cstdio>

namespace monitor {

std::string clockText(const std::optional<std::tm>& time)
{
    if (!time)
        return {};
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time->tm_hour, time->tm_min, time->tm_sec);
    return text;
}

int averageOf(int64_t sum, int64_t ticks)
{
    if (ticks <= 0)
        return 0;
    return static_cast<int>(static_cast<double>(sum) / static_cast<double>(ticks) + 0.5);
}

} // namespace monitor
