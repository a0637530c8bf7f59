// The cost of the simulated processor itself: one register read, and one
// pin-read-unpin round as the monitors make it through HardwareAccess.
// Run on the host clock, as the programs do; argument 0 = SIMULATED_LOAD=host
// (the /proc/stat reads included), 1 = a fixed load.

#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "sim/SimulatedProcessor.h"

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace {

std::unique_ptr<sim::SimulatedProcessor> makeProcessor(const benchmark::State& state, const char* profile)
{
    sim::Options options;
    if (state.range(0) == 1) {
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = 50;
    }
    sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options);
    if (!created.processor)
        throw std::runtime_error(created.error);
    return std::move(created.processor);
}

void SimulatedMsrRead(benchmark::State& state)
{
    auto processor = makeProcessor(state, "i7-2600k");
    processor->setThreadAffinity(platform::CpuSet::of(2));
    uint32_t low = 0, high = 0;
    for (auto _ : state) {
        processor->readMsr(msr::IA32_THERM_STATUS, low, high);
        benchmark::DoNotOptimize(low);
    }
}
BENCHMARK(SimulatedMsrRead)->Arg(0)->Arg(1);

// One counter read on a CPU of a larger processor: the model's work per
// access against its CPU count.
void SimulatedCounterRead(benchmark::State& state, const char* profile, int cpu)
{
    auto processor = makeProcessor(state, profile);
    processor->setThreadAffinity(platform::CpuSet::of(cpu));
    uint32_t low = 0, high = 0;
    for (auto _ : state) {
        processor->readMsr(msr::IA32_PMC0, low, high);
        benchmark::DoNotOptimize(low);
    }
}
BENCHMARK_CAPTURE(SimulatedCounterRead, TwoCpus, "e8400", 1)->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(SimulatedCounterRead, SixteenCpus, "xeon-x5570-2s", 9)->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(SimulatedCounterRead, SixtyFourCpus, "xeon-4514y-2s", 41)->Arg(0)->Arg(1);

void PinReadUnpin(benchmark::State& state)
{
    auto processor = makeProcessor(state, "i7-2600k");
    hw::HardwareAccess access(*processor);
    int cpu = 0;
    for (auto _ : state) {
        access.pin(cpu);
        benchmark::DoNotOptimize(access.read(msr::IA32_THERM_STATUS));
        access.unpin();
        cpu = (cpu + 1) % 8;
    }
}
BENCHMARK(PinReadUnpin)->Arg(0)->Arg(1);

void SimulatedRdtsc(benchmark::State& state)
{
    auto processor = makeProcessor(state, "i7-2600k");
    for (auto _ : state)
        benchmark::DoNotOptimize(processor->rdtsc());
}
BENCHMARK(SimulatedRdtsc)->Arg(1);

} // namespace
