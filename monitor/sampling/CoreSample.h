#pragma once
// What the sampling cycle keeps for one core slot: the last reading, the
// temperature and its texts, the extremes with the time each was reached, and
// the running sums for the averages.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace monitor {

struct CoreSample {
    // True while the core's CPU refuses the pinning: nothing was read this
    // tick, the texts are blank and the figures below are the last read.
    bool absent = false;
    int readout = 0; // degrees below TjMax
    bool thermalStatus = false;
    bool thermalLog = false;
    std::string statusText;

    int temperature = 0; // display unit
    std::string temperatureText;
    std::string readoutText; // distance to TjMax

    int minTemperature = 128;
    int maxTemperature = -64;
    std::string minTemperatureText; // "%d" and the unit text
    std::string maxTemperatureText;
    std::optional<std::tm> minTemperatureTime; // empty until reached / after Reset
    std::optional<std::tm> maxTemperatureTime;

    int minReadout = 128;
    int maxReadout = -64;

    int64_t temperatureSum = 0; // since the last Reset
    int64_t readoutSum = 0;
};

// A time of day as the window shows it, "%H:%M:%S"; empty for no time.
std::string clockText(const std::optional<std::tm>& time);

} // namespace monitor
