#include "monitor/measure/MeasureCounters.h"

#include "common/CounterArithmetic.h"
#include "monitor/measure/CounterProgramming.h"
#include "monitor/measure/MeasureMath.h"

#include "registers/MsrIndex.h"

#include <algorithm>

namespace monitor {
namespace {

void readTurboRatios(hw::HardwareAccess& access, ClockCounters& counters)
{
    using namespace msr;
    double ratio = static_cast<double>(platform_info::MaxNonTurboRatio.get(access.read(MSR_PLATFORM_INFO)));
    ratio = std::max(ratio, 1.0);
    counters.baseRatio = ratio;
    counters.nominalRatio = ratio;

    uint64_t limits = access.read(MSR_TURBO_RATIO_LIMIT);
    double highest = ratio;
    for (unsigned cores = 1; cores <= 6; ++cores)
        highest = std::max(highest, static_cast<double>(turbo_ratio_limit::ratioForActiveCores(cores).get(limits)));
    counters.maxRatioFactor = highest / ratio;
}

void measurePackagePower(hw::HardwareAccess& access, ClockCounters& counters)
{
    using namespace msr;
    uint64_t units = rapl_power_unit::EnergyStatusUnits.get(access.read(MSR_RAPL_POWER_UNIT));
    double jouleUnit = 1.0 / static_cast<double>(uint64_t(1) << units);
    EnergySnapshot now = ReadEnergySnapshot(access);
    if (!now.pinned)
        return;
    if (auto watts = PackagePower(now.energy, now.tick, counters.energyLast, counters.energyTick, jouleUnit))
        counters.packageWatts = *watts;
    counters.energyLast = now.energy;
    counters.energyTick = now.tick;
}

} // namespace

double ReferenceScale(const ClockCounters& counters)
{
    if (counters.flavour.counters == CounterKind::Fixed)
        return counters.nominalRatio / counters.baseRatio;
    return counters.nominalRatio;
}

double MeasureCounters(hw::HardwareAccess& access, ClockCounters& counters)
{
    if (counters.isNehalemClass)
        readTurboRatios(access, counters);
    if (counters.hasEnergyCounter)
        measurePackagePower(access, counters);

    double scale = ReferenceScale(counters);
    double factorSum = 0.0;
    int factors = 0;
    for (int cpu = 0; cpu <= counters.flavour.lastCpu; ++cpu) {
        if (!counters.measured(cpu))
            continue;
        CounterSnapshot now = ReadCounterSnapshot(access, counters, cpu);
        if (!now.pinned) {
            // Absent this cycle; the last readings stay for the next difference.
            counters.load[cpu] = 0.0;
            counters.ratioFactor[cpu] = 0.0;
            continue;
        }
        counters.qpcNow[cpu] = now.qpc;

        uint64_t coreCycles = common::counterDelta(now.coreCycles, counters.pmc0Last[cpu], counters.counterWrap);
        uint64_t refCycles = common::counterDelta(now.refCycles, counters.pmc1Last[cpu], counters.counterWrap);
        auto reference = static_cast<int64_t>(static_cast<double>(refCycles) * scale);
        auto tscTicks = static_cast<int64_t>(now.tsc - counters.tscLast[cpu]);
        double seconds = static_cast<double>(counters.qpcNow[cpu] - counters.qpcPrev[cpu]) /
                         static_cast<double>(counters.qpcFrequency);

        double& load = counters.load[cpu];
        if (counters.isNehalemClass) {
            if (tscTicks > 0)
                load = static_cast<double>(reference) * 100.0 / static_cast<double>(tscTicks);
        } else {
            double cycles = seconds * counters.nominalHz;
            if (cycles > 0.0)
                load = static_cast<double>(reference) * 100.0 / cycles;
        }
        load = std::clamp(load, 0.0, 100.0);

        if (reference > 0 && coreCycles > 0) {
            double factor = static_cast<double>(coreCycles) / static_cast<double>(reference);
            factor = std::min(factor, counters.maxRatioFactor);
            counters.ratioFactor[cpu] = factor;
            factorSum += factor;
            ++factors;
        }

        counters.pmc0Last[cpu] = now.coreCycles;
        counters.pmc1Last[cpu] = now.refCycles;
        counters.tscLast[cpu] = now.tsc;
        counters.qpcPrev[cpu] = counters.qpcNow[cpu];
    }

    double average = 0.0;
    if (!counters.isNehalemClass && factorSum == 0.0) {
        // The counters gave nothing: every processor gets the factor of the
        // ratio the processor runs at now.
        uint64_t perfStatus = access.read(msr::IA32_PERF_STATUS);
        int ratio = RatioTenths(msr::perf_status::CurrentRatio.get(perfStatus),
                                msr::perf_status::CurrentHalfRatio.test(perfStatus));
        counters.ratioFactor.fill(ratio / (counters.nominalRatio * 10.0));
    } else {
        average = factors > 0 ? factorSum / factors : 1.0;
    }

    ProgramCounters(access, counters);
    return average;
}

} // namespace monitor
