#include "monitor/measure/MeasureMath.h"

#include "platform/CFormat.h"

#include "registers/MsrIndex.h"

#include <cstdio>

namespace monitor {

double RoundMultiplier(double h, double factor)
{
    if (factor > 1.0)
        return static_cast<double>(static_cast<int64_t>(h * 10.0 + 0.5)) / 10.0;
    return RoundToHalf(h);
}

double RoundToHalf(double x) { return static_cast<double>(static_cast<int64_t>(x * 2.0 + 0.5)) / 2.0; }

int RatioTenths(uint64_t ratio, bool half) { return static_cast<int>(ratio) * 10 + (half ? 5 : 0); }

std::optional<double> PackagePower(uint32_t energy, uint32_t tick, uint32_t energyLast, uint32_t tickLast,
                                   double jouleUnit)
{
    if (tick <= tickLast || energy <= energyLast)
        return std::nullopt;
    double joules = static_cast<double>(energy - energyLast) * jouleUnit;
    double seconds = static_cast<double>(tick - tickLast) * 0.001;
    return joules / seconds;
}

double VidVolts(VidFormula formula, uint64_t perfStatus)
{
    switch (formula) {
    case VidFormula::SandyBridge:
        return static_cast<double>(msr::perf_status::SandyBridgeVoltage.get(perfStatus)) * 0.0001220703125;
    case VidFormula::Mobile:
        return static_cast<double>(msr::perf_status::CurrentVid.get(perfStatus)) * 0.0125 + 0.7125;
    case VidFormula::Desktop:
        break;
    }
    return static_cast<double>(msr::perf_status::CurrentVid.get(perfStatus)) * 0.0125 + 0.825;
}

VidFormula SixCoreVidFormula(const std::string& modelName, uint32_t signature)
{
    const bool mobileName = (modelName.starts_with('T') && modelName >= "T8100") || modelName.starts_with('P');
    const bool penryn = signature >= 0x10670 && signature <= 0x1067F;
    return mobileName && penryn ? VidFormula::Mobile : VidFormula::Desktop;
}

uint64_t BusyDivisions(uint32_t count)
{
    volatile uint64_t dividend = 1234567890;
    volatile uint64_t divisor = 7;
    uint64_t sum = 0;
    for (uint32_t i = 0; i < count; ++i)
        sum += dividend / divisor;
    return sum;
}

} // namespace monitor
