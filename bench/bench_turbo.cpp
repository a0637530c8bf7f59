// The cost of one turbo sampler tick (measure every logical CPU, then program
// the counters again) on the simulated i7-2600K (8 logical CPUs) and the
// two-socket Xeon X5570 (16), beside the simulator's own share: the same seam
// calls, recorded from one tick and replayed on the simulator alone.
// Host clock, fixed 100 % load with turbo.

#include "bench/SeamRecorder.h"

#include "hw/HardwareAccess.h"
#include "sim/SimulatedProcessor.h"
#include "turbo/TurboSampler.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

using seam_bench::RecordingProcessor;

const char* const kProfiles[] = {"i7-2600k", "xeon-x5570-2s"};

struct Setup {
    std::unique_ptr<sim::SimulatedProcessor> sim;
    std::unique_ptr<RecordingProcessor> processor;
    std::unique_ptr<hw::HardwareAccess> access;
    std::unique_ptr<turbo::TurboSampler> sampler;

    explicit Setup(const char* profile)
    {
        sim::Options options;
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = 100;
        sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options);
        if (!created.processor)
            throw std::runtime_error(created.error);
        sim = std::move(created.processor);
        processor = std::make_unique<RecordingProcessor>(*sim);
        access = std::make_unique<hw::HardwareAccess>(*processor);
        turbo::TurboStartup startup = turbo::TurboSampler::start(*access);
        if (!startup.sampler)
            throw std::runtime_error(startup.message());
        sampler = std::move(startup.sampler);
    }

    std::vector<seam_bench::SeamCall> recordTick()
    {
        processor->calls.clear();
        processor->recording = true;
        sampler->tick();
        processor->recording = false;
        return processor->calls;
    }
};

void report(benchmark::State& state, const std::vector<seam_bench::SeamCall>& calls)
{
    seam_bench::CallCounts counts = seam_bench::countCalls(calls);
    state.counters["msr_reads"] = counts.reads;
    state.counters["msr_writes"] = counts.writes;
    state.counters["pinnings"] = counts.pins;
    state.counters["seam_calls"] = static_cast<double>(calls.size());
}

void TurboTick(benchmark::State& state)
{
    Setup setup(kProfiles[state.range(0)]);
    auto calls = setup.recordTick();
    double multiplier = 0.0;
    for (auto _ : state) {
        turbo::TurboReading reading = setup.sampler->tick();
        multiplier = reading.averageMultiplier;
        benchmark::DoNotOptimize(reading);
    }
    report(state, calls);
    state.counters["avg_multiplier"] = multiplier;
    state.SetLabel(kProfiles[state.range(0)]);
}
BENCHMARK(TurboTick)->Arg(0)->Arg(1);

void SimulatorShareOfTick(benchmark::State& state)
{
    Setup setup(kProfiles[state.range(0)]);
    auto calls = setup.recordTick();
    for (auto _ : state)
        benchmark::DoNotOptimize(seam_bench::replaySeamCalls(*setup.sim, calls));
    report(state, calls);
    state.SetLabel(kProfiles[state.range(0)]);
}
BENCHMARK(SimulatorShareOfTick)->Arg(0)->Arg(1);

} // namespace
