#include "loadgen/ElapsedTime.h"

#include <cstdio>

namespace loadgen {

std::string ElapsedTime::format(int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    const int64_t hours = (seconds / 3600) % 24;
    const int64_t minutes = (seconds / 60) % 60;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(hours), static_cast<int>(minutes),
                  static_cast<int>(seconds % 60));
    return text;
}

} // namespace loadgen
