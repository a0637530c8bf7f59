// The monitor's processor switches on simulated processors, checked through
// the simulator's record of every register write.

#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "hw/ProcessorInfo.h"
#include "monitor/lifecycle/ClockModulation.h"
#include "monitor/controls/FeatureSwitches.h"
#include "sim/SimulatedProcessor.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

using namespace monitor;
namespace misc = msr::misc_enable;

struct SwitchRig {
    explicit SwitchRig(const char* profile, uint32_t allowedCpus = 0)
    {
        sim::Options options;
        options.allowedCpus = platform::CpuSet::fromMask(allowedCpus);
        sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options);
        EXPECT_TRUE(created.processor) << created.error;
        cpu = std::move(created.processor);
        access = std::make_unique<hw::HardwareAccess>(*cpu);
        info.nehalemClass = hw::isNehalemClass(cpu->cpuid(1, 0).eax);
        cpu->clearWrites();
    }

    // The CPUs that got a write of the register.
    std::set<int> written(uint32_t index) const
    {
        std::set<int> cpus;
        for (const sim::WriteRecord& w : cpu->writes())
            if (w.index == index)
                cpus.insert(w.cpu);
        return cpus;
    }
    void pokeAll(uint32_t index, uint64_t set)
    {
        for (int n = 0; n < cpu->cpuCount(); ++n)
            cpu->poke(n, index, cpu->peek(n, index).value_or(0) | set);
    }

    std::unique_ptr<sim::SimulatedProcessor> cpu;
    std::unique_ptr<hw::HardwareAccess> access;
    hw::ProcessorInfo info;
};

std::set<int> cpusUpTo(int last)
{
    std::set<int> cpus;
    for (int n = 0; n <= last; ++n)
        cpus.insert(n);
    return cpus;
}

TEST(FeatureSwitches, LockedSpeedStepIsNeverWritten)
{
    SwitchRig rig("i7-2600k");
    rig.pokeAll(msr::IA32_MISC_ENABLE, misc::SpeedStepLock.mask());
    const EistResult result = SetEist(*rig.access, SwitchState::Off);
    EXPECT_TRUE(result.locked);
    EXPECT_EQ(result.state, SwitchState::On); // as the firmware left it
    EXPECT_TRUE(rig.written(msr::IA32_MISC_ENABLE).empty());
    EXPECT_TRUE(ReadFeatureSwitches(*rig.access, rig.info).eistLocked);
}

TEST(FeatureSwitches, TurboBackOnClearsBothDisengageBits)
{
    SwitchRig rig("i7-920");
    rig.pokeAll(msr::IA32_MISC_ENABLE, misc::TurboDisengage.mask());
    rig.pokeAll(msr::IA32_PERF_CTL, msr::perf_ctl::TurboDisengage.mask());
    EXPECT_EQ(SetTurboDisabled(*rig.access, SwitchState::Off), SwitchState::Off);
    const std::set<int> all = cpusUpTo(rig.cpu->cpuCount() - 1);
    EXPECT_EQ(rig.written(msr::IA32_MISC_ENABLE), all);
    EXPECT_EQ(rig.written(msr::IA32_PERF_CTL), all);
    for (int n : all) {
        EXPECT_FALSE(misc::TurboDisengage.test(*rig.cpu->peek(n, msr::IA32_MISC_ENABLE))) << n;
        EXPECT_FALSE(msr::perf_ctl::TurboDisengage.test(*rig.cpu->peek(n, msr::IA32_PERF_CTL))) << n;
    }
    // Switching it off again leaves IA32_PERF_CTL alone.
    rig.cpu->clearWrites();
    EXPECT_EQ(SetTurboDisabled(*rig.access, SwitchState::On), SwitchState::On);
    EXPECT_TRUE(rig.written(msr::IA32_PERF_CTL).empty());
}

TEST(FeatureSwitches, EachSwitchReachesItsOwnListOfCpus)
{
    // Twelve logical CPUs: every switch reaches all of them (SpeedStep and
    // clock modulation once stopped at CPU 7 and left the rest as it was).
    SwitchRig rig("i7-980x");
    ASSERT_EQ(rig.cpu->cpuCount(), 12);
    SetC1E(*rig.access, rig.info, SwitchState::Off);
    SetTurboDisabled(*rig.access, SwitchState::On);
    SetEist(*rig.access, SwitchState::Off);
    WriteClockModulation(*rig.access, 24);
    EXPECT_EQ(rig.written(msr::MSR_POWER_CTL), cpusUpTo(11)); // Nehalem keeps C1E there
    EXPECT_EQ(rig.written(msr::IA32_MISC_ENABLE), cpusUpTo(11));
    EXPECT_EQ(rig.written(msr::IA32_CLOCK_MODULATION), cpusUpTo(11));
    rig.cpu->clearWrites();
    SetEist(*rig.access, SwitchState::On);
    EXPECT_EQ(rig.written(msr::IA32_MISC_ENABLE), cpusUpTo(11));

    // A process kept off CPUs 2 and 3 at start-up leaves them alone.
    SwitchRig narrowed("i7-980x", 0xFF3);
    SetTurboDisabled(*narrowed.access, SwitchState::On);
    EXPECT_EQ(narrowed.written(msr::IA32_MISC_ENABLE), (std::set<int>{0, 1, 4, 5, 6, 7, 8, 9, 10, 11}));
}

TEST(FeatureSwitches, C1eBeforeNehalemIsAMiscEnableBit)
{
    SwitchRig rig("q9550");
    ASSERT_FALSE(rig.info.nehalemClass);
    SetC1E(*rig.access, rig.info, SwitchState::On);
    EXPECT_TRUE(rig.written(msr::MSR_POWER_CTL).empty());
    EXPECT_EQ(rig.written(msr::IA32_MISC_ENABLE), cpusUpTo(3));
    EXPECT_EQ(ReadFeatureSwitches(*rig.access, rig.info).c1e, SwitchState::On);
    SetC1E(*rig.access, rig.info, SwitchState::Off);
    EXPECT_EQ(ReadFeatureSwitches(*rig.access, rig.info).c1e, SwitchState::Off);
}

} // namespace
