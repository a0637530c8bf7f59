// One monitor tick (RunTimerTick: the sampling cycle, the clock and load
// measurement, the counters programmed again) and one turbo sampler tick,
// recorded on the simulated i7-2600K (8 logical CPUs) and replayed on the
// Linux backend over a fake device root: real pread/pwrite system calls on
// plain files standing in for /dev/cpu/N/msr, and real thread migrations.
//
// Each recording is replayed two ways in the same run:
//   Migrating  every CPU selection becomes what reaching a CPU used to cost:
//              sched_setaffinity onto that CPU alone and sched_yield, and
//              back onto the system set afterwards; the time stamp paired
//              with a CPU's counters is the RDTSC of the CPU moved to.
//   Selecting  the calls as recorded (Reach::AsRecorded): a selection is no
//              system call, the time stamp is that CPU's IA32_TIME_STAMP_COUNTER.
// CPU numbers fold onto this machine's CPUs (n modulo their count), so the
// migrations are real ones between real CPUs.
//
// The monitor's worker threads run during the recording only; their calls
// are not part of the tick.

#include "bench/FakeDeviceRoot.h"
#include "bench/SeamRecorder.h"
#include "bench/StderrMessages.h"

#include "hw/BuildFlavour.h"
#include "hw/HardwareAccess.h"
#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/lifecycle/MonitorStartup.h"
#include "monitor/lifecycle/MonitorTick.h"
#include "platform/LinuxProcessor.h"
#include "registers/MsrIndex.h"
#include "sim/SimulatedProcessor.h"
#include "turbo/TurboSampler.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using seam_bench::RecordingProcessor;
using seam_bench::SeamCall;

sim::Options fixedLoad(int percent)
{
    sim::Options options;
    options.loadMode = sim::LoadMode::Fixed;
    options.fixedLoadPercent = percent;
    return options;
}

std::unique_ptr<sim::SimulatedProcessor> simulated(const char* profile, int loadPercent)
{
    sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, fixedLoad(loadPercent));
    if (!created.processor)
        throw std::runtime_error(created.error);
    return std::move(created.processor);
}

fs::path temporaryFolder(const char* name)
{
    std::string pattern = (fs::temp_directory_path() / name).string() + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("no temporary folder");
    return pattern;
}

// The seam calls of one monitor tick after a few warm-up ticks, with the
// settings a first start writes.
std::vector<SeamCall> recordMonitorTick()
{
    const fs::path folder = temporaryFolder("ostrel-tick");
    std::vector<SeamCall> calls;
    {
        auto processor = simulated("i7-2600k", 25);
        RecordingProcessor recorder(*processor);
        recorder.onlyThread = std::this_thread::get_id();
        monitor::MonitorRecords records(recorder, hw::FourCoreBuild, (folder / "Ostrel.ini").string());
        seam_bench::StderrMessages messages;
        if (monitor::RunStartup(records, messages) != monitor::StartupOutcome::Running)
            throw std::runtime_error("the monitor did not start on the simulated i7-2600K");
        for (int tick = 0; tick < 3; ++tick)
            monitor::RunTimerTick(records);
        recorder.recording = true;
        monitor::RunTimerTick(records);
        recorder.recording = false;
        calls = recorder.calls;
    }
    fs::remove_all(folder);
    return calls;
}

std::vector<SeamCall> recordTurboTick()
{
    auto processor = simulated("i7-2600k", 25);
    RecordingProcessor recorder(*processor);
    hw::HardwareAccess access(recorder);
    turbo::TurboStartup startup = turbo::TurboSampler::start(access);
    if (!startup.sampler)
        throw std::runtime_error(startup.message());
    startup.sampler->tick();
    recorder.recording = true;
    startup.sampler->tick();
    recorder.recording = false;
    return recorder.calls;
}

const std::vector<SeamCall>& monitorTick()
{
    static const std::vector<SeamCall> calls = recordMonitorTick();
    return calls;
}

const std::vector<SeamCall>& turboTick()
{
    static const std::vector<SeamCall> calls = recordTurboTick();
    return calls;
}

void Replay(benchmark::State& state, const std::vector<SeamCall>& (*recording)(), seam_bench::Reach reach)
{
    const std::vector<SeamCall>& calls = recording();
    const int hostCpus = bench_support::FakeDeviceRoot::hostCpus();
    bench_support::FakeDeviceRoot root("ostrel-replay");
    platform::LinuxProcessor::Paths paths;
    paths.deviceRoot = root.path();
    platform::LinuxProcessor processor(paths);
    processor.initialise();
    platform::CpuSet process;
    platform::CpuSet system;
    processor.processAffinity(process, system);
    for (auto _ : state)
        benchmark::DoNotOptimize(seam_bench::replaySeamCalls(processor, calls, {reach, hostCpus, system}));
    processor.setThreadAffinity(system);
    processor.deinitialise();

    const seam_bench::CallCounts counts = seam_bench::countCalls(calls);
    state.counters["msr_reads"] = counts.reads;
    state.counters["msr_writes"] = counts.writes;
    state.counters["cpu_selections"] = counts.selects;
    state.counters["migrations"] = reach == seam_bench::Reach::Migrating ? counts.selects : counts.pins;
}

BENCHMARK_CAPTURE(Replay, ostrel_tick_migrating, monitorTick, seam_bench::Reach::Migrating)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Replay, ostrel_tick_selecting, monitorTick, seam_bench::Reach::AsRecorded)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Replay, sparvel_tick_migrating, turboTick, seam_bench::Reach::Migrating)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Replay, sparvel_tick_selecting, turboTick, seam_bench::Reach::AsRecorded)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
