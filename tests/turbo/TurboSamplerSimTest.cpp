// The sampler on the simulated processors: real CPUID dumps, topologies and
// counters, driven by a manual clock one second per tick.
#include "registers/MsrIndex.h"
#include "sim/SimulatedProcessor.h"
#include "tests/support/PinWitness.h"
#include "turbo/ProcessorNameLine.h"
#include "turbo/ProcessorSwitches.h"
#include "turbo/TurboSampler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace turbo {
namespace {

// As the window shows a share: "%.2f".
std::string shown2(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

struct SimRig {
    SimRig(const char* profile, double loadPercent)
    {
        sim::Options options;
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = loadPercent;
        clock = std::make_shared<sim::ManualClock>();
        sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options, clock);
        EXPECT_TRUE(created.processor) << created.error;
        processor = std::move(created.processor);
        access = std::make_unique<hw::HardwareAccess>(*processor);
        TurboStartup startup = TurboSampler::start(*access);
        EXPECT_EQ(startup.failure, StartupFailure::None);
        sampler = std::move(startup.sampler);
    }

    TurboReading tickAfterOneSecond()
    {
        clock->advanceSeconds(1.0);
        return sampler->tick();
    }

    // The ratio the simulated package runs at now, as it reports it.
    double operatingRatio(int cpu)
    {
        return static_cast<double>(msr::perf_status::OperatingRatio.get(*processor->peek(cpu, msr::IA32_PERF_STATUS)));
    }

    std::shared_ptr<sim::ManualClock> clock;
    std::unique_ptr<sim::SimulatedProcessor> processor;
    std::unique_ptr<hw::HardwareAccess> access;
    std::unique_ptr<TurboSampler> sampler;
};

TEST(TurboSamplerSim, FullLoadMeasuresTheSimulatedTurboRatio)
{
    SimRig rig("i7-2600k", 100);
    ASSERT_TRUE(rig.sampler);
    EXPECT_TRUE(rig.sampler->nehalemClass());
    EXPECT_EQ(rig.sampler->baseRatio(), 34.0);
    EXPECT_EQ(rig.sampler->counterModulus(), 1ull << 48);
    for (int tick = 0; tick < 3; ++tick) {
        SCOPED_TRACE(tick);
        TurboReading r = rig.tickAfterOneSecond();
        double expected = rig.operatingRatio(0);
        EXPECT_GT(expected, 34.0); // turbo engaged
        EXPECT_NEAR(r.averageMultiplier, expected, 0.01);
        EXPECT_NEAR(r.peakMultiplier, expected, 0.01);
        EXPECT_EQ(shown2(r.averageC0), "100.00");
        EXPECT_NEAR(r.stdDev, 0.0, 0.01);
        for (int s = 0; s < 8; ++s) {
            EXPECT_TRUE(r.perSlot[s].shown) << s;
            EXPECT_NEAR(r.perSlot[s].multiplier, expected, 0.01) << s;
        }
        for (int s = 8; s < kSlotCount; ++s)
            EXPECT_FALSE(r.perSlot[s].shown) << s;
    }
}

TEST(TurboSamplerSim, TurboDisabledStaysAtTheBaseRatio)
{
    SimRig rig("i7-2600k", 100);
    for (int cpu = 0; cpu < 8; ++cpu) {
        uint64_t misc = *rig.processor->peek(cpu, msr::IA32_MISC_ENABLE);
        rig.processor->poke(cpu, msr::IA32_MISC_ENABLE, msr::misc_enable::TurboDisengage.set(misc, 1));
    }
    rig.tickAfterOneSecond();
    TurboReading r = rig.tickAfterOneSecond();
    EXPECT_NEAR(r.averageMultiplier, 34.0, 0.01);
}

TEST(TurboSamplerSim, IdleShowsOnlyTheSamplersOwnCpu)
{
    // Between ticks the sampler's thread sits on CPU 0, which never halts
    // completely and runs at the lowest ratio; the other seven halt.
    SimRig rig("i7-2600k", 0);
    TurboReading r = rig.tickAfterOneSecond();
    EXPECT_EQ(shown2(r.averageC0), shown2(sim::BusyFloorShare * 100.0 / 8));
    EXPECT_NEAR(r.averageMultiplier, 16.0, 0.01);
    EXPECT_NEAR(r.peakMultiplier, 16.0, 0.01);
    EXPECT_FALSE(r.minimumChanged);
}

TEST(TurboSamplerSim, HalfLoadIsHalfC0)
{
    SimRig rig("i7-2600k", 50);
    TurboReading r = rig.tickAfterOneSecond();
    EXPECT_NEAR(r.averageC0, 50.0, 0.5);
}

TEST(TurboSamplerSim, ProfilesTopologyAndClass)
{
    struct Case {
        const char* profile;
        bool nehalem;
        int cores, threads;
        uint32_t shownSlots; // bit per slot
    };
    const Case cases[] = {
        {"i7-2600k", true, 4, 8, 0x00FF},
        {"i7-980x", true, 6, 12, 0x3F3F},
        {"xeon-x5570-2s", true, 8, 16, 0xFFFF},
        {"e8400", false, 2, 2, 0x0003},
        {"q6600", false, 4, 4, 0x000F},
        {"i5-750", true, 4, 4, 0x0055}, // APIC IDs 0, 2, 4, 6: every other slot
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        SimRig rig(c.profile, 100);
        ASSERT_TRUE(rig.sampler);
        EXPECT_EQ(rig.sampler->nehalemClass(), c.nehalem);
        CoreThreadCount count = rig.sampler->countCoresAndThreads();
        EXPECT_EQ(count.cores, c.cores);
        EXPECT_EQ(count.threads, c.threads);
        TurboReading r = rig.tickAfterOneSecond();
        uint32_t shown = 0;
        for (int s = 0; s < kSlotCount; ++s)
            shown |= r.perSlot[s].shown ? 1u << s : 0;
        EXPECT_EQ(shown, c.shownSlots);
        EXPECT_EQ(shown2(r.averageC0), "100.00");
    }
}

TEST(TurboSamplerSim, NameLineOfTheSimulatedProcessor)
{
    SimRig rig("i7-2600k", 0);
    EXPECT_EQ(processorNameLine(*rig.processor), "Intel Core i7-2600K  -  CPUID 0x206A7");
}

using testsupport::Narrowing;

TEST(TurboSamplerSim, RefusedCpusAreBlankAndNeverReadOrWrittenInAnotherCpusName)
{
    // On the i7-2600K slot n is logical CPU n.
    for (const testsupport::RestrictionCase& c : testsupport::restrictionCases) {
        SCOPED_TRACE(c.name);
        auto clock = std::make_shared<sim::ManualClock>();
        const auto processor = testsupport::restrictedI7_2600k(c, 100, clock);
        ASSERT_TRUE(processor);
        sim::SimulatedProcessor& simulated = *processor;
        testsupport::PinWitness witness(simulated);
        hw::HardwareAccess access(witness);
        const uint32_t allowed = c.allowed();
        TurboStartup startup = TurboSampler::start(access);
        ASSERT_TRUE(startup.sampler);
        if (c.when == Narrowing::WhileRunning)
            simulated.restrictAffinity(platform::CpuSet::fromMask(c.narrowedTo));
        clock->advanceSeconds(1.0);
        TurboReading reading = startup.sampler->tick();
        const CoreThreadCount count = startup.sampler->countCoresAndThreads();

        simulated.clearWrites();
        ProcessorSwitches switches(access, ProcessorSwitches::ProcessorClass::Nehalem);
        EXPECT_EQ(switches.setTurboDisable(SwitchState::On), SwitchState::On);

        EXPECT_THAT(witness.strays(), testing::IsEmpty());
        uint32_t shown = 0;
        for (int slot = 0; slot < kSlotCount; ++slot)
            shown |= reading.perSlot[slot].shown ? 1u << slot : 0;
        EXPECT_EQ(shown, allowed);
        EXPECT_EQ(count.cores, 2);
        EXPECT_EQ(count.threads, 4);
        uint32_t switched = 0;
        for (const sim::WriteRecord& write : simulated.writes())
            switched |= write.index == msr::IA32_MISC_ENABLE ? 1u << write.cpu : 0;
        EXPECT_EQ(switched, allowed);
    }
}

// Answers CPUID leaf `leaf` with `answer` and forwards everything else.
class CpuidOverride : public platform::ForwardingProcessor {
public:
    CpuidOverride(platform::Processor& inner, uint32_t leaf, platform::CpuidRegisters answer)
        : ForwardingProcessor(inner), m_leaf(leaf), m_answer(answer)
    {
    }
    platform::CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf) override
    {
        return leaf == m_leaf ? m_answer : inner().cpuid(leaf, subleaf);
    }

private:
    uint32_t m_leaf;
    platform::CpuidRegisters m_answer;
};

TEST(TurboSamplerSim, ProcessorWithoutTheCountersIsRefusedWithItsReason)
{
    const struct {
        const char* name;
        uint32_t leaf;
        platform::CpuidRegisters answer;
        const char* reasonMentions;
        bool cpuidUnlocked; // the only write allowed before the refusal
    } cases[] = {
        // "AuthenticAMD" in EBX, EDX, ECX: refused before any register is touched.
        {"another vendor", 0x0, {0xD, 0x68747541, 0x444D4163, 0x69746E65}, "AuthenticAMD", false},
        {"performance monitoring version 1", 0xA, {0x07300401, 0, 0, 0}, "version 1", true},
        {"one counter", 0xA, {0x07300103, 0, 0, 0x603}, "with 1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimulatedCreation created = sim::createSimulatedProcessor("i7-2600k", {}, std::make_shared<sim::ManualClock>());
        ASSERT_TRUE(created.processor) << created.error;
        CpuidOverride processor(*created.processor, c.leaf, c.answer);
        hw::HardwareAccess access(processor);
        TurboStartup startup = TurboSampler::start(access);
        EXPECT_FALSE(startup.sampler);
        EXPECT_EQ(startup.failure, StartupFailure::UnsupportedProcessor);
        EXPECT_THAT(startup.message(), testing::HasSubstr(c.reasonMentions));
        EXPECT_EQ(created.processor->writeCount(), c.cpuidUnlocked ? 1u : 0u);
    }
}

} // namespace
} // namespace turbo
