// One monitor tick (RunTimerTick: the sampling cycle, the clock and load
// measurement, the counters programmed again) of the four-core Ostrel on the
// simulated i7-2600K (4 cores, 8 logical CPUs) beside one tick of OstrelXL,
// which samples every core, on the simulated two-socket Xeon Silver 4514Y
// (32 cores, 64 logical CPUs), in one run. The time includes the simulated
// processor's own work for the register accesses the tick makes; the seam
// calls of one tick are counted.
//
// OstrelXL's tick should cost at most eight times Ostrel's (64 logical CPUs
// against 8); the run ends with the ratio of the medians of the two.
//   bench_every_core_tick [--benchmark_repetitions=N]

#include "bench/SeamRecorder.h"
#include "bench/StderrMessages.h"

#include "hw/BuildFlavour.h"
#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/lifecycle/MonitorStartup.h"
#include "monitor/lifecycle/MonitorTick.h"
#include "sim/SimulatedProcessor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using seam_bench::RecordingProcessor;
using seam_bench::SeamCall;

// A monitor started on a simulated processor at a fixed 25 % load, with the
// settings a first start writes, in a folder of its own.
struct StartedMonitor {
    fs::path folder;
    std::unique_ptr<sim::SimulatedProcessor> sim;
    std::unique_ptr<RecordingProcessor> recorder;
    std::unique_ptr<monitor::MonitorRecords> records;

    StartedMonitor(const char* profile, const hw::BuildFlavour& flavour)
    {
        std::string pattern = (fs::temp_directory_path() / "ostrel-every-core").string() + "-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        folder = pattern;
        sim::Options options;
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = 25;
        sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options);
        if (!created.processor)
            throw std::runtime_error(created.error);
        sim = std::move(created.processor);
        recorder = std::make_unique<RecordingProcessor>(*sim);
        recorder->onlyThread = std::this_thread::get_id();
        records = std::make_unique<monitor::MonitorRecords>(
            *recorder, flavour, (folder / (std::string(flavour.programName) + ".ini")).string());
        seam_bench::StderrMessages messages;
        if (monitor::RunStartup(*records, messages) != monitor::StartupOutcome::Running)
            throw std::runtime_error(std::string("the monitor did not start on ") + profile);
        for (int tick = 0; tick < 3; ++tick)
            monitor::RunTimerTick(*records);
    }

    ~StartedMonitor()
    {
        records.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    std::vector<SeamCall> recordTick()
    {
        recorder->calls.clear();
        recorder->recording = true;
        monitor::RunTimerTick(*records);
        recorder->recording = false;
        return recorder->calls;
    }
};

void Tick(benchmark::State& state, const char* profile, const hw::BuildFlavour* flavour)
{
    StartedMonitor monitor(profile, *flavour);
    const std::vector<SeamCall> calls = monitor.recordTick();
    int reads = 0;
    int selections = 0;
    for (const SeamCall& call : calls) {
        reads += call.kind == SeamCall::Read;
        selections += call.kind == SeamCall::Select;
    }
    for (auto _ : state)
        monitor::RunTimerTick(*monitor.records);
    int cores = 0;
    for (int slot = 0; slot < flavour->coreSlots; ++slot)
        cores += monitor.records->info.corePresent(slot) ? 1 : 0;
    state.counters["cores"] = cores;
    state.counters["msr_reads"] = reads;
    state.counters["cpu_selections"] = selections;
    state.counters["seam_calls"] = static_cast<double>(calls.size());
}

// The console report, and the ratio of the two ticks' medians at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_medians[run.run_name.function_name] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto four = m_medians.find("Tick/Ostrel_i7_2600k");
        const auto every = m_medians.find("Tick/OstrelXL_xeon_4514y_2s");
        if (four == m_medians.end() || every == m_medians.end() || four->second <= 0)
            return;
        std::printf("OstrelXL tick / Ostrel tick (medians of CPU time): %.2f (at most 8)\n",
                    every->second / four->second);
    }

private:
    std::map<std::string, double> m_medians;
};

double minimum(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }
double maximum(const std::vector<double>& values) { return *std::max_element(values.begin(), values.end()); }

void withFigures(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMicrosecond)
        ->Repetitions(10)
        ->ReportAggregatesOnly(true)
        ->ComputeStatistics("min", minimum)
        ->ComputeStatistics("max", maximum);
}

BENCHMARK_CAPTURE(Tick, Ostrel_i7_2600k, "i7-2600k", &hw::FourCoreBuild)->Apply(withFigures);
BENCHMARK_CAPTURE(Tick, OstrelXL_xeon_4514y_2s, "xeon-4514y-2s", &hw::ManyCoreBuild)->Apply(withFigures);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
