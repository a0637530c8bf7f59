// Ostrel on a simulated i7-2600K whose CPUs a cpuset restricts: the core map,
// the counters and the sampling cycle never read or write in the name of a
// CPU that refused the pinning, and such a core shows blank, not another
// core's figures.

#include "hw/CoreMap.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorIdentification.h"
#include "monitor/measure/CreateCounters.h"
#include "monitor/measure/MeasureCounters.h"
#include "monitor/sampling/SamplingCycle.h"
#include "monitor/settings/MonitorSettings.h"
#include "sim/SimulatedProcessor.h"
#include "tests/support/PinWitness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using testsupport::Narrowing;
using testsupport::RestrictionCase;
using testsupport::restrictionCases;

TEST(RefusedPinning, NothingIsReadInAnotherCpusNameAndRefusedCoresStayBlank)
{
    for (const RestrictionCase& c : restrictionCases) {
        SCOPED_TRACE(c.name);
        auto clock = std::make_shared<sim::ManualClock>();
        const auto processor = testsupport::restrictedI7_2600k(c, 50, clock);
        ASSERT_TRUE(processor);
        sim::SimulatedProcessor& simulated = *processor;
        testsupport::PinWitness witness(simulated);
        hw::HardwareAccess access(witness);
        const uint32_t allowed = c.allowed();
        hw::ProcessorInfo info;
        hw::testSupport(witness, info);
        hw::mapCores(access, info);
        info.tjMax.fill(100);
        monitor::ClockCounters counters = monitor::CreateCounters(access, info, monitor::FourCoreMeasure, 0);
        if (c.when == Narrowing::WhileRunning)
            simulated.restrictAffinity(platform::CpuSet::fromMask(c.narrowedTo));

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
