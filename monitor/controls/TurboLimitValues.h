#pragma once
// What the Turbo Boost Limits window shows: the highest turbo ratio for one to
// six active cores (MSR_TURBO_RATIO_LIMIT) and the TDP and TDC limits in
// whole watts and amperes (MSR_TURBO_POWER_CURRENT_LIMIT), with the rules
// that keep each value in its range.

#include <array>
#include <cstdint>

namespace monitor {

constexpr int TurboRatioCount = 6;
constexpr int HighestTurboRatio = 255;
constexpr int HighestTdpWatts = 2047;
constexpr int HighestTdcAmps = 4095;

struct TurboLimitValues {
    // Index n: n + 1 active cores; 0 marks a core count the processor lacks.
    std::array<int, TurboRatioCount> ratios{};
    int tdpWatts = 0;
    int tdcAmps = 0;
};

// The values in the two registers.
TurboLimitValues decodeTurboLimits(uint64_t powerCurrentLimit, uint64_t ratioLimit);

// MSR_TURBO_POWER_CURRENT_LIMIT with the given limits and both override bits
// in its low half; the high half stays as in `old`.
uint64_t encodePowerCurrentLimit(int tdpWatts, int tdcAmps, uint64_t old);

// MSR_TURBO_RATIO_LIMIT with the six ratios in bytes 0 to 5; the bytes of
// seven and eight active cores stay as in `old`.
uint64_t encodeRatioLimit(const std::array<int, TurboRatioCount>& ratios, uint64_t old);

// One step of a ratio spin: the up arrow (-1) raises the ratio up to 255,
// the down arrow (+1) lowers it down to the base ratio.
int stepTurboRatio(int ratio, int delta, int baseRatio);

int clampTdpWatts(int watts);
int clampTdcAmps(int amps);

} // namespace monitor
