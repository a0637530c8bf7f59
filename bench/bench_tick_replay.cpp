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
//   Selecting  the calls as recorded: a selection is no system call, the
//              time stamp is that CPU's IA32_TIME_STAMP_COUNTER.
// CPU numbers fold onto this machine's CPUs (n modulo their count), so the
// migrations are real ones between real CPUs.
//
// The monitor's worker threads run during the recording only; their calls
// are not part of the tick.

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

// /dev/cpu/N/msr as plain files for this machine's CPUs.
class FakeDeviceRoot {
public:
    explicit FakeDeviceRoot(int cpus) : m_root(temporaryFolder("ostrel-replay"))
    {
        for (int cpu = 0; cpu < cpus; ++cpu) {
            fs::create_directories(m_root / std::to_string(cpu));
            std::ofstream(m_root / std::to_string(cpu) / "msr", std::ios::binary) << std::string(0x800, '\x11');
        }
    }
    ~FakeDeviceRoot() { fs::remove_all(m_root); }
    std::string path() const { return m_root.string(); }

private:
    fs::path m_root;
};

enum class Reach { Migrating, Selecting };

__attribute__((noinline)) uint64_t replay(platform::LinuxProcessor& processor, const std::vector<SeamCall>& calls,
                                          Reach reach, int hostCpus, const platform::CpuSet& system)
{
    uint64_t sink = 0;
    uint32_t low = 0;
    uint32_t high = 0;
    platform::CpuSet process;
    platform::CpuSet unused;
    const auto fold = [hostCpus](int cpu) { return cpu < 0 ? cpu : cpu % hostCpus; };
    for (const SeamCall& call : calls) {
        switch (call.kind) {
        case SeamCall::Select: {
            const int cpu = fold(static_cast<int>(call.index));
            if (reach == Reach::Selecting) {
                sink += processor.selectCpu(cpu);
            } else {
                sink += processor.setThreadAffinity(cpu < 0 ? system : platform::CpuSet::of(cpu)).count();
                processor.sleep(0);
            }
            break;
        }
        case SeamCall::Read:
            if (reach == Reach::Migrating && call.index == msr::IA32_TIME_STAMP_COUNTER) {
                sink += processor.rdtsc();
                break;
            }
            processor.readMsr(call.index, low, high);
            sink += low ^ high;
            break;
        case SeamCall::Write:
            processor.writeMsr(call.index, static_cast<uint32_t>(call.value), static_cast<uint32_t>(call.value >> 32));
            break;
        case SeamCall::Pin:
            sink += processor.setThreadAffinity(platform::CpuSet::fromMask(call.value) & system).count();
            break;
        case SeamCall::Tsc: sink += processor.rdtsc(); break;
        case SeamCall::Masks:
            processor.processAffinity(process, unused);
            sink += process.count();
            break;
        case SeamCall::Sleep: processor.sleep(call.index); break;
        case SeamCall::Cpuid: sink += processor.cpuid(call.index, static_cast<uint32_t>(call.value)).eax; break;
        case SeamCall::Qpc: sink += static_cast<uint64_t>(processor.performanceCounter()); break;
        case SeamCall::Tick: sink += processor.tickCount(); break;
        case SeamCall::LocalTime: sink += static_cast<uint64_t>(processor.localTime().tm_sec); break;
        }
    }
    return sink;
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

void Replay(benchmark::State& state, const std::vector<SeamCall>& (*recording)(), Reach reach)
{
    const std::vector<SeamCall>& calls = recording();
    const int hostCpus = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    FakeDeviceRoot root(hostCpus);
    platform::LinuxProcessor::Paths paths;
    paths.deviceRoot = root.path();
    platform::LinuxProcessor processor(paths);
    processor.initialise();
    platform::CpuSet process;
    platform::CpuSet system;
    processor.processAffinity(process, system);
    for (auto _ : state)
        benchmark::DoNotOptimize(replay(processor, calls, reach, hostCpus, system));
    processor.setThreadAffinity(system);
    processor.deinitialise();

    const seam_bench::CallCounts counts = seam_bench::countCalls(calls);
    state.counters["msr_reads"] = counts.reads;
    state.counters["msr_writes"] = counts.writes;
    state.counters["cpu_selections"] = counts.selects;
    state.counters["migrations"] = reach == Reach::Migrating ? counts.selects : counts.pins;
}

BENCHMARK_CAPTURE(Replay, ostrel_tick_migrating, monitorTick, Reach::Migrating)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Replay, ostrel_tick_selecting, monitorTick, Reach::Selecting)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Replay, sparvel_tick_migrating, turboTick, Reach::Migrating)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Replay, sparvel_tick_selecting, turboTick, Reach::Selecting)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
