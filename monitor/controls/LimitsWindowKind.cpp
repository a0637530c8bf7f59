#include "monitor/controls/LimitsWindowKind.h"

namespace monitor {

LimitsWindowKind limitsWindowFor(const hw::ProcessorInfo& info, const MeasureFlavour& flavour)
{
    if (!info.nehalemClass)
        return LimitsWindowKind::None;
    if (!info.sandyBridgeClass)
        return LimitsWindowKind::TurboLimits;
    // The package power registers belong with the package power reading.
    return flavour.packagePower ? LimitsWindowKind::PowerLimits : LimitsWindowKind::None;
}

const char* limitsMenuText(LimitsWindowKind kind)
{
    switch (kind) {
    case LimitsWindowKind::TurboLimits: return "Turbo Boost Limits...";
    case LimitsWindowKind::PowerLimits: return "Power Limits...";
    case LimitsWindowKind::None: break;
    }
    return "";
}

} // namespace monitor
