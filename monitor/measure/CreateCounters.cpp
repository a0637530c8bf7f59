#include "monitor/measure/CreateCounters.h"

#include "common/CounterArithmetic.h"
#include "monitor/measure/CounterProgramming.h"
#include "monitor/measure/MeasureMath.h"

#include "registers/MsrIndex.h"

#include <algorithm>

namespace monitor {
namespace {

void calibrateCore2Ratios(hw::HardwareAccess& access, ClockCounters& counters)
{
    using namespace msr;
    if (access.pinAnyCpu() < 0)
        return; // nothing to read on: the ratios stay at their floor of 1
    // Turbo (dynamic acceleration) is disengaged while the maximum ratio is
    // read, so that the register shows the non-turbo maximum.
    // A register that cannot be read is not written back: a zero image would
    // switch off SpeedStep and automatic thermal control.
    uint64_t miscEnable = 0;
    const bool haveMiscEnable = access.read(IA32_MISC_ENABLE, miscEnable);
    if (haveMiscEnable)
        access.write(IA32_MISC_ENABLE, misc_enable::TurboDisengage.set(miscEnable, 1));

    uint64_t perfStatus = access.read(IA32_PERF_STATUS);
    int d = RatioTenths(perf_status::MaxRatio.get(perfStatus), perf_status::MaxHalfRatio.test(perfStatus));
    uint64_t platformId = access.read(IA32_PLATFORM_ID);
    int f = RatioTenths(platform_id::MaxQualifiedRatio.get(platformId),
                        platform_id::MaxQualifiedHalfRatio.test(platformId));

    counters.baseRatio = d / 10.0;
    if (d == f) {
        uint64_t platformInfo = access.read(MSR_PLATFORM_INFO);
        int e = RatioTenths(platform_info::Core2MaxRatio.get(platformInfo),
                            platform_info::Core2MaxHalfRatio.test(platformInfo));
        counters.nominalRatio = f / 10.0;
        counters.maxRatioFactor = f > 0 ? static_cast<double>(e) / f : 1.0;
    } else if (d > f) {
        counters.nominalRatio = f / 10.0;
        counters.maxRatioFactor = f > 0 ? static_cast<double>(d) / f : 1.0;
    } else {
        counters.nominalRatio = d / 10.0;
        counters.maxRatioFactor = 1.0;
    }
    counters.maxRatioFactor = std::max(counters.maxRatioFactor, 1.0);

    if (haveMiscEnable)
        access.write(IA32_MISC_ENABLE, miscEnable);
    access.unpin();
}

// The bus clock measured from the time-stamp counter against the performance
// counter, times the nominal ratio.
void measureNominalClock(hw::HardwareAccess& access, ClockCounters& counters)
{
    platform::Processor& processor = access.processor();
    if (MoveToHighestCpu(access, 8) < 0)
        return; // the time-stamp counter must be read on one CPU throughout
    int64_t qpcStart = processor.performanceCounter();
    uint64_t tscStart = processor.rdtsc();
    BusyDivisions(CalibrationDivisions);
    int64_t qpcEnd = processor.performanceCounter();
    uint64_t tscEnd = processor.rdtsc();
    access.moveThreadBack();

    int64_t qpcTicks = qpcEnd - qpcStart;
    if (qpcTicks <= 0 || tscEnd <= tscStart)
        return; // no time measured: keep the previous figure
    double busMHz = static_cast<double>(tscEnd - tscStart) * static_cast<double>(counters.qpcFrequency) /
                    (static_cast<double>(qpcTicks) * counters.baseRatio * 1000000.0);
    counters.nominalHz = busMHz * counters.nominalRatio * 1000000.0;
}

} // namespace

void CalibrateRatios(hw::HardwareAccess& access, ClockCounters& counters)
{
    if (counters.isNehalemClass) {
        double ratio = static_cast<double>(
            msr::platform_info::MaxNonTurboRatio.get(access.read(msr::MSR_PLATFORM_INFO)));
        counters.baseRatio = ratio;
        counters.nominalRatio = ratio;
    } else {
        calibrateCore2Ratios(access, counters);
    }
    counters.nominalRatio = std::max(counters.nominalRatio, 1.0);
    counters.baseRatio = std::max(counters.baseRatio, 1.0);
    if (!counters.isNehalemClass)
        measureNominalClock(access, counters);
}

ClockCounters CreateCounters(hw::HardwareAccess& access, const hw::ProcessorInfo& info,
                             const MeasureFlavour& flavour, int msrMulti)
{
    platform::Processor& processor = access.processor();
    ClockCounters counters;
    counters.flavour = flavour;
    counters.nominalHz = 1.0;
    counters.packageWatts = 0.0;
    processor.processAffinity(counters.processCpus, counters.systemCpus);
    counters.thread = std::this_thread::get_id();

    counters.counterWrap = common::counterWrapOf(processor);

    counters.isNehalemClass = info.nehalemClass;
    counters.hasEnergyCounter = info.sandyBridgeClass && flavour.packagePower;
    counters.signature = info.signature;
    counters.useCycleCounters = msrMulti == 0;
    counters.qpcFrequency = processor.performanceFrequency();
    if (counters.qpcFrequency <= 0)
        counters.qpcFrequency = 1;
    counters.load.fill(0.0);
    counters.ratioFactor.fill(0.0);
    counters.count = 0;
    for (int cpu = 0; cpu <= flavour.lastCpu; ++cpu)
        counters.count += counters.measured(cpu) ? 1 : 0;

    CalibrateRatios(access, counters);
    ProgramCounters(access, counters);

    for (int cpu = 0; cpu <= flavour.lastCpu; ++cpu) {
        if (!counters.measured(cpu))
            continue;
        CounterSnapshot snapshot = ReadCounterSnapshot(access, counters, cpu);
        if (!snapshot.pinned)
            continue;
        counters.qpcPrev[cpu] = snapshot.qpc;
        counters.pmc0Last[cpu] = snapshot.coreCycles;
        counters.pmc1Last[cpu] = snapshot.refCycles;
        counters.tscLast[cpu] = snapshot.tsc;
    }

    if (counters.hasEnergyCounter) {
        EnergySnapshot energy = ReadEnergySnapshot(access);
        if (energy.pinned) {
            counters.energyLast = energy.energy;
            counters.energyTick = energy.tick;
        }
    }
    return counters;
}

} // namespace monitor
