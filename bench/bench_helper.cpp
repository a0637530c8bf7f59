// The cost of one sampling cycle of the monitor (every core pinned to in
// turn, its thermal status and clock modulation read) through the register
// helper, against the same cycle with the msr files opened directly. Both
// run on a fake device root: plain files standing in for /dev/cpu/N/msr, so
// the figures compare the two ways of reaching the registers, not the
// kernel's msr driver. The helper is the test build of ostrel-msr-helper,
// started without pkexec.
//
// One core per logical CPU of this machine, at most four (the four-core
// build's slots).

#include "bench/FakeDeviceRoot.h"
#include "hw/BuildFlavour.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"
#include "monitor/sampling/SamplingCycle.h"
#include "monitor/settings/MonitorSettings.h"
#include "platform/HelperProcessor.h"
#include "platform/LinuxProcessor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

int coreCount() { return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4); }

using bench_support::FakeDeviceRoot;

void runCycles(benchmark::State& state, platform::Processor& processor)
{
    processor.initialise();
    if (processor.status() != 0) {
        state.SkipWithError("the register access did not start");
        return;
    }
    hw::HardwareAccess access(processor);
    access.refreshMasks();
    hw::ProcessorInfo info;
    for (int slot = 0; slot < coreCount(); ++slot) {
        info.coreCpu[slot] = slot;
        info.tjMax[slot] = 100;
    }
    monitor::MonitorSettings settings;
    monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
    for (auto _ : state) {
        cycle.tick();
        benchmark::DoNotOptimize(cycle.samples().hottestTemperature);
    }
    if (cycle.samples().cores[0].absent)
        state.SkipWithError("core 0 could not be read");
    processor.deinitialise();
    state.counters["cores"] = coreCount();
}

void BM_SamplingCycleDirect(benchmark::State& state)
{
    FakeDeviceRoot root("ostrel-bench-helper");
    platform::LinuxProcessor::Paths paths;
    paths.deviceRoot = root.path();
    platform::LinuxProcessor processor(paths);
    runCycles(state, processor);
}

void BM_SamplingCycleThroughHelper(benchmark::State& state)
{
    FakeDeviceRoot root("ostrel-bench-helper");
    platform::LinuxProcessor::Paths paths;
    paths.deviceRoot = root.path();
    platform::HelperProcessor processor({OSTREL_MSR_HELPER, "--device-root", root.path()}, paths);
    runCycles(state, processor);
}

} // namespace

BENCHMARK(BM_SamplingCycleDirect)->Unit(benchmark::kNanosecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_SamplingCycleThroughHelper)->Unit(benchmark::kNanosecond)->Repetitions(3)->ReportAggregatesOnly(true);
