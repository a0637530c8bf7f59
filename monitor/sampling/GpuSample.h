#pragma once
// The graphics processor's slot of the sampling cycle: the hotter of the
// NVIDIA and ATI temperatures with its extremes and running sum.

#include <cstdint>
#include <ctime>
#include <optional>

namespace monitor {

struct GpuSample {
    int temperature = 0; // display unit
    int minTemperature = 128;
    int maxTemperature = -64;
    std::optional<std::tm> minTemperatureTime;
    std::optional<std::tm> maxTemperatureTime;
    int64_t temperatureSum = 0;
};

} // namespace monitor
