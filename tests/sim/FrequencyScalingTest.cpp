// The operating system's frequency governor: the requested ratio follows
// each CPU's load from the lowest ratio to the turbo request, the voltage
// follows the ratio, and with SpeedStep off the part stays at its base
// ratio. A program's own thread keeps its CPU from halting completely.

#include "SimTestSupport.h"

namespace {

using simtest::Rig;
using namespace msr;

struct Scaling {
    const char* profile;
    int idleTenths;  // every CPU idle: the lowest ratio
    int halfTenths;  // every CPU half busy
    int busyTenths;  // every CPU busy: the all-core turbo bin or the base ratio
};

const std::vector<Scaling> scaling = {
    {"e8400", 60, 70, 90},
    {"t9300", 60, 90, 125},
    {"q9550", 60, 70, 85},
    {"i7-920", 120, 160, 210},
    {"i5-750", 90, 150, 210},
    {"i7-2600k", 160, 250, 350},
};

int runningTenths(Rig& rig, const sim::Profile& p)
{
    uint64_t status = rig.read(0, IA32_PERF_STATUS);
    if (p.nehalemOrLater())
        return int(perf_status::OperatingRatio.get(status)) * 10;
    return int(perf_status::CurrentRatio.get(status)) * 10 + (perf_status::CurrentHalfRatio.test(status) ? 5 : 0);
}

int requestedTenths(Rig& rig, const sim::Profile& p, int cpu)
{
    uint64_t control = rig.read(cpu, IA32_PERF_CTL);
    if (p.nehalemOrLater())
        return int(perf_ctl::TargetRatio.get(control)) * 10;
    return int(perf_ctl::Core2TargetRatio.get(control)) * 10 + (perf_ctl::Core2TargetHalfRatio.test(control) ? 5 : 0);
}

// The voltage IA32_PERF_STATUS reports, in volts; 0 where the family reports none.
double statusVolts(Rig& rig, const sim::Profile& p)
{
    uint64_t status = rig.read(0, IA32_PERF_STATUS);
    if (p.family == sim::Family::SandyBridge)
        return double(perf_status::SandyBridgeVoltage.get(status)) / 8192.0;
    if (p.family == sim::Family::Nehalem)
        return 0.0;
    return double(perf_status::CurrentVid.get(status)) * 0.0125 + (p.mobileVid ? 0.7125 : 0.825);
}

class FrequencyScaling : public testing::TestWithParam<Scaling> {};

TEST_P(FrequencyScaling, RatioAndVoltageFollowTheLoad)
{
    const Scaling& want = GetParam();
    Rig rig(want.profile, Rig::fixedLoad(0));
    const sim::Profile& p = rig.cpu->profile();

    EXPECT_EQ(runningTenths(rig, p), want.idleTenths);
    EXPECT_EQ(requestedTenths(rig, p, 1), p.minRatioTenths) << "the governor asks for the lowest ratio";
    double idleVolts = statusVolts(rig, p);

    rig.setAllLoads(50);
    EXPECT_EQ(runningTenths(rig, p), want.halfTenths);

    rig.setAllLoads(100);
    EXPECT_EQ(runningTenths(rig, p), want.busyTenths);
    EXPECT_EQ(requestedTenths(rig, p, 1), p.turboRequestTenths());
    if (p.family != sim::Family::Nehalem) {
        EXPECT_LT(idleVolts + 0.05, statusVolts(rig, p)) << "the voltage drops with the ratio";
    }
}

TEST_P(FrequencyScaling, WithoutSpeedStepThePartStaysAtItsBaseRatio)
{
    const Scaling& want = GetParam();
    Rig rig(want.profile, Rig::fixedLoad(0));
    const sim::Profile& p = rig.cpu->profile();
    uint64_t misc = rig.read(0, IA32_MISC_ENABLE);
    ASSERT_TRUE(rig.write(0, IA32_MISC_ENABLE, misc_enable::EnhancedSpeedStep.set(misc, 0)));
    EXPECT_EQ(runningTenths(rig, p), p.baseRatioTenths);
    rig.setAllLoads(100);
    EXPECT_EQ(runningTenths(rig, p), p.baseRatioTenths) << "no turbo either";
    rig.setAllLoads(0);
    EXPECT_EQ(runningTenths(rig, p), p.baseRatioTenths);
}

INSTANTIATE_TEST_SUITE_P(Profiles, FrequencyScaling, testing::ValuesIn(scaling),
                         [](const testing::TestParamInfo<Scaling>& info) {
                             std::string name = info.param.profile;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(FrequencyScaling, AProgramsWriteHoldsUntilTheGovernorChangesItsChoice)
{
    Rig rig("i7-2600k", Rig::fixedLoad(100));
    for (int cpu = 0; cpu < rig.cpu->cpuCount(); ++cpu)
        ASSERT_TRUE(rig.write(cpu, IA32_PERF_CTL, perf_ctl::TargetRatio.set(0, 20)));
    EXPECT_EQ(perf_status::OperatingRatio.get(rig.read(0, IA32_PERF_STATUS)), 20u);
    rig.setAllLoads(0);
    rig.setAllLoads(100);
    EXPECT_EQ(perf_status::OperatingRatio.get(rig.read(0, IA32_PERF_STATUS)), 35u);
}

TEST(BusyFloor, TheCpuAProgramRunsOnNeverHaltsCompletely)
{
    Rig rig("i7-2600k", Rig::fixedLoad(0));
    rig.programCounters(2);
    uint64_t core = rig.read(2, IA32_PMC0), reference = rig.read(2, IA32_PMC1), tsc = rig.read(2, IA32_TIME_STAMP_COUNTER);
    rig.clock->advanceSeconds(10.0);
    uint64_t cores = rig.read(2, IA32_PMC0) - core;
    uint64_t references = rig.read(2, IA32_PMC1) - reference;
    uint64_t ticks = rig.read(2, IA32_TIME_STAMP_COUNTER) - tsc;
    ASSERT_GT(references, 0u);
    EXPECT_NEAR(double(cores) / double(references), 16.0, 0.01) << "at the lowest ratio";
    EXPECT_NEAR(double(references) * 34.0 / double(ticks), sim::BusyFloorShare, 0.001);
    EXPECT_EQ(rig.cpu->load(5), 0.0) << "a CPU no thread sits on halts";
}

} // namespace
