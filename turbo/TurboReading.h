#pragma once
// What one tick of the turbo sampler hands to the window.

#include <vector>

namespace turbo {

// The window's sixteen boxes per group; processors laid out from the
// topology leaves get one more box per logical CPU beyond them.
constexpr int kSlotCount = 16;
constexpr int kMeasuredCpus = 16;

struct SlotReading {
    bool shown = false;       // false: the slot's box stays blank
    double c0Percent = 0.0;   // C0 share of the slot's CPU in this tick
    double multiplier = 0.0;  // effective multiplier (ratio × base ratio)
};

struct TurboReading {
    double averageMultiplier = 0.0;
    double peakMultiplier = 0.0;
    double stdDev = 0.0;      // spread of the multipliers, in multiplier units
    double averageC0 = 0.0;   // percent
    std::vector<SlotReading> perSlot; // one per slot of the sampler's slot table
    bool minimumChanged = false;
    bool maximumChanged = false;
};

} // namespace turbo
