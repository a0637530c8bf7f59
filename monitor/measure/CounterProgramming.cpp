#include "monitor/measure/CounterProgramming.h"

#include "registers/MsrIndex.h"

namespace monitor {
namespace {

void programGeneralPurpose(hw::HardwareAccess& access)
{
    using namespace msr;
    // The enable register is only rewritten when it could be read, so the
    // enables of counters others use are never cleared.
    uint64_t global = 0;
    if (access.read(IA32_PERF_GLOBAL_CTRL, global)) {
        global = perf_global_ctrl::Pmc0Enable.set(global, 1);
        global = perf_global_ctrl::Pmc1Enable.set(global, 1);
        access.write(IA32_PERF_GLOBAL_CTRL, global);
    }

    uint64_t select0 = access.read(IA32_PERFEVTSEL0);
    access.write(IA32_PERFEVTSEL0, join(perfevtsel::UnhaltedCoreCycles, highHalf(select0)));
    uint64_t select1 = access.read(IA32_PERFEVTSEL1);
    access.write(IA32_PERFEVTSEL1, join(perfevtsel::UnhaltedReferenceCycles, highHalf(select1)));
}

void programFixed(hw::HardwareAccess& access)
{
    using namespace msr;
    uint64_t global = 0;
    if (access.read(IA32_PERF_GLOBAL_CTRL, global)) {
        global = perf_global_ctrl::Pmc0Enable.set(global, 1);
        global = perf_global_ctrl::Pmc1Enable.set(global, 1);
        global = perf_global_ctrl::FixedCtr0Enable.set(global, 1);
        global = perf_global_ctrl::FixedCtr1Enable.set(global, 1);
        global = perf_global_ctrl::FixedCtr2Enable.set(global, 1);
        access.write(IA32_PERF_GLOBAL_CTRL, global);
    }

    // Fixed counters 1 and 2 count in user and kernel mode (both bits of
    // each enable field); written only when that is not already so.
    constexpr uint64_t allRings = 3;
    uint64_t control = 0;
    if (access.read(IA32_FIXED_CTR_CTRL, control)
        && (fixed_ctr_ctrl::Ctr1Enable.get(control) != allRings || fixed_ctr_ctrl::Ctr2Enable.get(control) != allRings)) {
        control = fixed_ctr_ctrl::Ctr1Enable.set(control, allRings);
        control = fixed_ctr_ctrl::Ctr2Enable.set(control, allRings);
        access.write(IA32_FIXED_CTR_CTRL, control);
    }
}

} // namespace

void ProgramCounters(hw::HardwareAccess& access, const ClockCounters& counters)
{
    ++counters.programmings;
    for (int cpu = 0; cpu <= counters.flavour.lastCpu; ++cpu) {
        if (!counters.measured(cpu) || !access.pin(cpu))
            continue;
        if (counters.flavour.counters == CounterKind::Fixed)
            programFixed(access);
        else
            programGeneralPurpose(access);
    }
    access.unpin();
}

CounterSnapshot ReadCounterSnapshot(hw::HardwareAccess& access, const ClockCounters& counters, int cpu)
{
    bool fixed = counters.flavour.counters == CounterKind::Fixed;
    uint32_t coreIndex = fixed ? msr::IA32_FIXED_CTR1 : msr::IA32_PMC0;
    uint32_t refIndex = fixed ? msr::IA32_FIXED_CTR2 : msr::IA32_PMC1;

    CounterSnapshot snapshot;
    if (!access.pin(cpu)) {
        access.unpin();
        return snapshot;
    }
    snapshot.pinned = true;
    snapshot.qpc = access.processor().performanceCounter();
    // The time stamp pairs with this CPU's counters, so it is read as this
    // CPU's register, in the same exchange (the thread runs elsewhere).
    platform::MsrRead reads[] = {{coreIndex}, {refIndex}, {msr::IA32_TIME_STAMP_COUNTER}};
    access.read(reads);
    snapshot.coreCycles = reads[0].value;
    snapshot.refCycles = reads[1].value;
    snapshot.tsc = reads[2].value;
    access.unpin();
    return snapshot;
}

EnergySnapshot ReadEnergySnapshot(hw::HardwareAccess& access)
{
    EnergySnapshot snapshot;
    if (access.pinAnyCpu() < 0) {
        access.unpin();
        return snapshot;
    }
    snapshot.pinned = true;
    snapshot.energy = static_cast<uint32_t>(
        msr::pkg_energy_status::TotalEnergyConsumed.get(access.read(msr::MSR_PKG_ENERGY_STATUS)));
    snapshot.tick = access.processor().tickCount();
    access.unpin();
    return snapshot;
}

int MoveToHighestCpu(hw::HardwareAccess& access, int first)
{
    for (int cpu = first; cpu >= 0; --cpu) {
        if (access.moveThreadTo(cpu))
            return cpu;
    }
    return -1;
}

} // namespace monitor
