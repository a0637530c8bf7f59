// Ostrel on a simulated i7-2600K whose CPUs a cpuset restricts: the core map,
// the counters and the sampling cycle never read or write in the name of a
// CPU that refused the pinning, and such a core shows blank, not another
// core's figures.

#include "hw/CoreMap.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorIdentification.h"
#include "monitor/CreateCounters.h"
#include "monitor/MeasureCounters.h"
#include "monitor/SamplingCycle.h"
#include "monitor/settings/MonitorSettings.h"
#include "sim/SimulatedProcessor.h"
#include "tests/support/PinWitness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

enum class Narrowing { None, BeforeStartup, WhileRunning };

struct RestrictionCase {
    const char* name;
    uint32_t allowedAtStart; // SIMULATED_AFFINITY
    uint32_t narrowedTo;     // a cpuset changed later; with Narrowing::None unused
    Narrowing when;
};

// Logical CPUs 2c and 2c + 1 are core c's two threads.
const RestrictionCase restrictionCases[] = {
    {"cores 0 and 2 allowed at start", 0x33, 0, Narrowing::None},
    {"CPU 0 not allowed", 0xCC, 0, Narrowing::None},
    {"narrowed before start-up", 0xFF, 0x33, Narrowing::BeforeStartup},
    {"narrowed while running", 0xFF, 0x33, Narrowing::WhileRunning},
};

TEST(RefusedPinning, NothingIsReadInAnotherCpusNameAndRefusedCoresStayBlank)
{
    for (const RestrictionCase& c : restrictionCases) {
        SCOPED_TRACE(c.name);
        sim::Options options;
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = 50;
        options.allowedCpus = c.allowedAtStart;
        auto clock = std::make_shared<sim::ManualClock>();
        sim::SimulatedCreation created = sim::createSimulatedProcessor("i7-2600k", options, clock);
        ASSERT_TRUE(created.processor) << created.error;
        sim::SimulatedProcessor& simulated = *created.processor;
        testsupport::PinWitness witness(simulated);
        hw::HardwareAccess access(witness);
        const uint32_t allowed = c.when == Narrowing::None ? c.allowedAtStart : c.narrowedTo;

        if (c.when == Narrowing::BeforeStartup)
            simulated.restrictAffinity(c.narrowedTo);
        hw::ProcessorInfo info;
        hw::testSupport(witness, info);
        hw::mapCores(access, info);
        info.tjMax.fill(100);
        monitor::ClockCounters counters = monitor::CreateCounters(access, info, monitor::FourCoreMeasure, 0);
        if (c.when == Narrowing::WhileRunning)
            simulated.restrictAffinity(c.narrowedTo);

        simulated.clearReads();
        clock->advanceSeconds(1.0);
        monitor::MeasureCounters(access, counters);
        monitor::MonitorSettings settings;
        monitor::SamplingCycle cycle(access, info, settings, hw::FourCoreBuild);
        cycle.tick();

        EXPECT_THAT(witness.strays(), testing::IsEmpty());
        for (const sim::ReadRecord& read : simulated.reads())
            EXPECT_NE((allowed >> read.cpu) & 1u, 0u) << "read on refused CPU " << read.cpu;
        for (int cpu = 0; cpu < 8; ++cpu) {
            const bool isAllowed = (allowed >> cpu) & 1u;
            EXPECT_EQ(counters.load[cpu] > 0.0, isAllowed) << "load of CPU " << cpu;
        }
        for (int core = 0; core < 4; ++core) {
            const bool isAllowed = (allowed >> (2 * core)) & 1u;
            EXPECT_EQ(cycle.samples().cores[core].temperatureText.empty(), !isAllowed) << "core " << core;
        }
    }
}

} // namespace
