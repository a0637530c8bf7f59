// The cost of one UpdateReadings (counter measurement of every logical
// processor, multiplier, clock, load and information texts) on simulated
// processors, and the cost of the simulator calls it makes: the same calls
// recorded once and replayed on their own. The difference is the
// measurement code's own cost.
//
// Profiles: i7-2600k (8 logical processors, package energy read every cycle)
// and xeon-x5570-2s (16 logical processors; the four-core build measures 0-7,
// the six-core build all 16). Host clock, fixed 50 % load.

#include "monitor/measure/ClockCounters.h"
#include "monitor/measure/ClockReadings.h"
#include "monitor/measure/CreateCounters.h"
#include "monitor/measure/SharedReadings.h"

#include "hw/HardwareAccess.h"
#include "hw/Messages.h"
#include "hw/ProcessorIdentification.h"
#include "sim/SimulatedProcessor.h"

#include "bench/SeamRecorder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using seam_bench::RecordingProcessor;
using seam_bench::SeamCall;

class NoMessages : public hw::Messages {
public:
    void showError(const std::string&, const std::string& text) override { throw std::runtime_error(text); }
};

struct Setup {
    std::unique_ptr<sim::SimulatedProcessor> sim;
    std::unique_ptr<RecordingProcessor> processor;
    std::unique_ptr<hw::HardwareAccess> access;
    hw::ProcessorInfo info;
    monitor::SharedReadings shared;
    monitor::ClockCounters counters;
    std::unique_ptr<monitor::ClockReadings> readings;

    Setup(const char* profile, const monitor::MeasureFlavour& flavour)
    {
        sim::Options options;
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = 50;
        sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options);
        if (!created.processor)
            throw std::runtime_error(created.error);
        sim = std::move(created.processor);
        processor = std::make_unique<RecordingProcessor>(*sim);
        access = std::make_unique<hw::HardwareAccess>(*processor);
        NoMessages messages;
        hw::identifyProcessor(*access, info, messages);
        hw::applyModelRules(info, 0, hw::FourCoreBuild);
        counters = monitor::CreateCounters(*access, info, flavour, 0);
        shared.tscMHz = sim->profile().busHz() * sim->profile().baseRatioTenths / 10.0 / 1e6;
        readings = std::make_unique<monitor::ClockReadings>(*access, counters, shared, info, 0);
    }

    // The calls of one UpdateReadings.
    std::vector<SeamCall> record()
    {
        processor->calls.clear();
        processor->recording = true;
        readings->UpdateReadings({});
        processor->recording = false;
        return processor->calls;
    }
};

// Makes the recorded calls on the simulated processor directly.
// Calls of the two measured functions, for per-call instruction counts under
// callgrind (--toggle-collect on them); printed at exit.
struct CallCounts {
    long updates = 0;
    long replays = 0;
    ~CallCounts() { std::fprintf(stderr, "calls: updateReadingsOnce %ld replayOnce %ld\n", updates, replays); }
} callCounts;

__attribute__((noinline)) void replayOnce(platform::Processor& processor, const std::vector<SeamCall>& calls)
{
    ++callCounts.replays;
    benchmark::DoNotOptimize(seam_bench::replaySeamCalls(processor, calls));
}

__attribute__((noinline)) void updateReadingsOnce(monitor::ClockReadings& readings)
{
    ++callCounts.updates;
    readings.UpdateReadings({});
}

const monitor::MeasureFlavour& flavourOf(int64_t arg)
{
    return arg == 0 ? monitor::FourCoreMeasure : monitor::SixCoreMeasure;
}

void countCalls(benchmark::State& state, const std::vector<SeamCall>& calls)
{
    int reads = 0, writes = 0, pins = 0;
    for (const SeamCall& call : calls) {
        reads += call.kind == SeamCall::Read;
        writes += call.kind == SeamCall::Write;
        pins += call.kind == SeamCall::Pin;
    }
    state.counters["msr_reads"] = reads;
    state.counters["msr_writes"] = writes;
    state.counters["pinnings"] = pins;
    state.counters["seam_calls"] = static_cast<double>(calls.size());
}

void UpdateReadings(benchmark::State& state, const char* profile)
{
    Setup setup(profile, flavourOf(state.range(0)));
    countCalls(state, setup.record());
    for (auto _ : state)
        updateReadingsOnce(*setup.readings);
    benchmark::DoNotOptimize(setup.readings->texts().load);
}

void SeamCallsOnly(benchmark::State& state, const char* profile)
{
    Setup setup(profile, flavourOf(state.range(0)));
    std::vector<SeamCall> calls = setup.record();
    countCalls(state, calls);
    for (auto _ : state)
        replayOnce(*setup.sim, calls);
}

BENCHMARK_CAPTURE(UpdateReadings, i7_2600k, "i7-2600k")->Arg(0);
BENCHMARK_CAPTURE(SeamCallsOnly, i7_2600k, "i7-2600k")->Arg(0);
BENCHMARK_CAPTURE(UpdateReadings, xeon_x5570_2s, "xeon-x5570-2s")->Arg(0)->Arg(1);
BENCHMARK_CAPTURE(SeamCallsOnly, xeon_x5570_2s, "xeon-x5570-2s")->Arg(0)->Arg(1);

} // namespace
