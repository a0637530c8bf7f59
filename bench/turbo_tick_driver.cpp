// A small driver for counting instructions of turbo sampler ticks under
// valgrind --tool=callgrind (or perf stat):
//   turbo_tick_driver tick|replay PROFILE N
// "tick" runs N sampler ticks, "replay" replays the seam calls of one tick N
// times on the simulator alone. A manual clock moves one second per tick, so
// the counts repeat exactly. Run once with N = 0 and subtract for the
// start-up cost.

#include "bench/SeamRecorder.h"

#include "hw/HardwareAccess.h"
#include "sim/SimulatedProcessor.h"
#include "turbo/TurboSampler.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    if (argc != 4 || (std::strcmp(argv[1], "tick") != 0 && std::strcmp(argv[1], "replay") != 0)) {
        std::fprintf(stderr, "usage: %s tick|replay PROFILE N\n", argv[0]);
        return 2;
    }
    bool replay = std::strcmp(argv[1], "replay") == 0;
    long count = std::strtol(argv[3], nullptr, 10);

    sim::Options options;
    options.loadMode = sim::LoadMode::Fixed;
    options.fixedLoadPercent = 100;
    auto clock = std::make_shared<sim::ManualClock>();
    sim::SimulatedCreation created = sim::createSimulatedProcessor(argv[2], options, clock);
    if (!created.processor) {
        std::fprintf(stderr, "%s\n", created.error.c_str());
        return 2;
    }
    seam_bench::RecordingProcessor recorder(*created.processor);
    hw::HardwareAccess access(recorder);
    turbo::TurboStartup startup = turbo::TurboSampler::start(access);
    if (!startup.sampler) {
        std::fprintf(stderr, "%s\n", startup.message().c_str());
        return 1;
    }
    clock->advanceSeconds(1.0);
    recorder.recording = true;
    turbo::TurboReading first = startup.sampler->tick();
    recorder.recording = false;

    uint64_t sink = 0;
    double average = first.averageMultiplier;
    for (long i = 0; i < count; ++i) {
        clock->advanceSeconds(1.0);
        if (replay)
            sink += seam_bench::replaySeamCalls(*created.processor, recorder.calls);
        else
            average = startup.sampler->tick().averageMultiplier;
    }
    seam_bench::CallCounts counts = seam_bench::countCalls(recorder.calls);
    std::printf("%s %s x%ld: %zu seam calls per tick (%d reads, %d writes, %d pinnings, %d TSC), "
                "average multiplier %.3f, sink %llu\n",
                argv[1], argv[2], count, recorder.calls.size(), counts.reads, counts.writes, counts.pins,
                counts.tscReads, average, static_cast<unsigned long long>(sink & 1));
    return 0;
}
