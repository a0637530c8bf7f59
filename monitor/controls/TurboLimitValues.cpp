#include "monitor/controls/TurboLimitValues.h"

#include "registers/MsrIndex.h"

#include <algorithm>

namespace monitor {

using namespace msr::turbo_power_current_limit;
using msr::turbo_ratio_limit::ratioForActiveCores;

TurboLimitValues decodeTurboLimits(uint64_t powerCurrentLimit, uint64_t ratioLimit)
{
    TurboLimitValues values;
    values.tdpWatts = int(TdpWatts.get(powerCurrentLimit));
    values.tdcAmps = int(TdcAmps.get(powerCurrentLimit));
    for (int n = 0; n < TurboRatioCount; ++n)
        values.ratios[size_t(n)] = int(ratioForActiveCores(unsigned(n + 1)).get(ratioLimit));
    return values;
}

uint64_t encodePowerCurrentLimit(int tdpWatts, int tdcAmps, uint64_t old)
{
    // The fraction bits of both limits are written as 0.
    uint64_t low = 0;
    low = TdpWatts.set(low, uint64_t(clampTdpWatts(tdpWatts)));
    low = TdpLimitOverride.set(low, 1);
    low = TdcAmps.set(low, uint64_t(clampTdcAmps(tdcAmps)));
    low = TdcLimitOverride.set(low, 1);
    return msr::join(msr::lowHalf(low), msr::highHalf(old));
}

uint64_t encodeRatioLimit(const std::array<int, TurboRatioCount>& ratios, uint64_t old)
{
    uint64_t value = old;
    for (int n = 0; n < TurboRatioCount; ++n) {
        const int ratio = std::clamp(ratios[size_t(n)], 0, HighestTurboRatio);
        value = ratioForActiveCores(unsigned(n + 1)).set(value, uint64_t(ratio));
    }
    return value;
}

int stepTurboRatio(int ratio, int delta, int baseRatio)
{
    if (delta < 0 && ratio < HighestTurboRatio)
        return ratio + 1;
    if (delta > 0 && ratio > baseRatio)
        return ratio - 1;
    return ratio;
}

int clampTdpWatts(int watts) { return std::clamp(watts, 0, HighestTdpWatts); }

int clampTdcAmps(int amps) { return std::clamp(amps, 0, HighestTdcAmps); }

} // namespace monitor
