// The counters count as the real processors do: the multiplier that core and
// reference cycle deltas give, halted time, clock modulation, the TSC rate and
// the wrap at the counter width.

#include "SimTestSupport.h"

#include <cmath>

namespace {

using simtest::Rig;

struct Clocks {
    const char* profile;
    double busMHz;
    double tscMHz;          // the nominal frequency of the brand string
    double allCoresRatio;   // every logical CPU busy
    double oneCoreRatio;    // one logical CPU busy, the rest halted
    double baseRatio;
    unsigned width;
};

const std::vector<Clocks> clocks = {
    {"e8400", 333.333, 3000.0, 9.0, 9.0, 9.0, 40},
    {"q6600", 266.667, 2400.0, 9.0, 9.0, 9.0, 40},
    {"q9550", 333.333, 2833.3, 8.5, 8.5, 8.5, 40},
    {"t9300", 200.0, 2500.0, 12.5, 13.5, 12.5, 40},
    {"n270", 133.333, 1600.0, 12.0, 12.0, 12.0, 40},
    {"i7-920", 133.333, 2666.7, 21.0, 22.0, 20.0, 48},
    {"i7-975", 133.333, 3333.3, 26.0, 27.0, 25.0, 48},
    {"i5-750", 133.333, 2666.7, 21.0, 24.0, 20.0, 48},
    {"i7-980x", 133.333, 3333.3, 26.0, 27.0, 25.0, 48},
    {"xeon-x5570-2s", 133.333, 2933.3, 24.0, 25.0, 22.0, 48},
    {"i7-2600k", 100.0, 3400.0, 35.0, 38.0, 34.0, 48},
};

struct Sample {
    uint64_t core, reference, fixedCore, fixedReference, tsc;
};

Sample sample(Rig& rig, int n)
{
    return {rig.read(n, msr::IA32_PMC0), rig.read(n, msr::IA32_PMC1), rig.read(n, msr::IA32_FIXED_CTR1),
            rig.read(n, msr::IA32_FIXED_CTR2), rig.read(n, msr::IA32_TIME_STAMP_COUNTER)};
}

class CounterInvariants : public testing::TestWithParam<Clocks> {};

TEST_P(CounterInvariants, FullLoadGivesTheProfileMultiplier)
{
    const Clocks& want = GetParam();
    Rig rig(want.profile, Rig::fixedLoad(100));
    int cpus = rig.cpu->cpuCount();
    for (int n = 0; n < cpus; ++n)
        rig.programCounters(n);
    std::vector<Sample> before;
    for (int n = 0; n < cpus; ++n)
        before.push_back(sample(rig, n));
    rig.clock->advanceSeconds(1.0);
    for (int n = 0; n < cpus; ++n) {
        Sample after = sample(rig, n);
        double core = double(after.core - before[n].core);
        double reference = double(after.reference - before[n].reference);
        double tsc = double(after.tsc - before[n].tsc);
        EXPECT_NEAR(core / reference, want.allCoresRatio, want.allCoresRatio * 0.001) << "cpu " << n;
        EXPECT_NEAR(reference / 1e6, want.busMHz, want.busMHz * 0.001) << "reference cycles tick at the bus clock";
        EXPECT_NEAR(tsc / 1e6, want.tscMHz, want.tscMHz * 0.001) << "the TSC runs at the nominal frequency";
        EXPECT_EQ(after.fixedReference - before[n].fixedReference, after.tsc - before[n].tsc)
            << "fixed counter 2 ticks at the TSC rate while busy";
        EXPECT_NEAR(double(after.fixedCore - before[n].fixedCore), core, 1.0);
    }
}

TEST_P(CounterInvariants, OneBusyCpuRunsAtTheTopBin)
{
    const Clocks& want = GetParam();
    Rig rig(want.profile, Rig::fixedLoad(0));
    rig.cpu->setLoad(0, 100);
    rig.programCounters(0);
    Sample before = sample(rig, 0);
    rig.clock->advanceSeconds(2.0);
    Sample after = sample(rig, 0);
    double ratio = double(after.core - before.core) / double(after.reference - before.reference);
    EXPECT_NEAR(ratio, want.oneCoreRatio, want.oneCoreRatio * 0.001);

    // With turbo disabled the processor stays at its base ratio.
    uint64_t misc = rig.read(0, msr::IA32_MISC_ENABLE);
    rig.write(0, msr::IA32_MISC_ENABLE, msr::misc_enable::TurboDisengage.set(misc, 1));
    before = sample(rig, 0);
    rig.clock->advanceSeconds(2.0);
    after = sample(rig, 0);
    ratio = double(after.core - before.core) / double(after.reference - before.reference);
    EXPECT_NEAR(ratio, want.baseRatio, want.baseRatio * 0.001);
}

TEST_P(CounterInvariants, HaltedTimeCountsNothing)
{
    // CPU 1 halts while this program's thread sits on CPU 0 (whose own
    // busy share keeps it from halting completely).
    const Clocks& want = GetParam();
    Rig rig(want.profile, Rig::fixedLoad(0));
    rig.programCounters(1);
    Sample before = sample(rig, 1);
    rig.pin(0);
    rig.clock->advanceSeconds(5.0);
    Sample after = sample(rig, 1);
    EXPECT_EQ(after.core, before.core);
    EXPECT_EQ(after.reference, before.reference);
    EXPECT_EQ(after.fixedCore, before.fixedCore);
    EXPECT_EQ(after.fixedReference, before.fixedReference);
    EXPECT_GT(after.tsc, before.tsc) << "the TSC runs on";
}

TEST_P(CounterInvariants, HalfDutyModulationHalvesUnhaltedCycles)
{
    const Clocks& want = GetParam();
    Rig rig(want.profile, Rig::fixedLoad(100));
    rig.programCounters(0);
    Sample before = sample(rig, 0);
    rig.clock->advanceSeconds(1.0);
    Sample full = sample(rig, 0);

    // On, duty code 4 (50 %): the value the monitors write.
    uint64_t modulation = msr::clock_modulation::Enable.set(msr::clock_modulation::DutyCycle.set(0, 4), 1);
    ASSERT_TRUE(rig.write(0, msr::IA32_CLOCK_MODULATION, modulation));
    rig.clock->advanceSeconds(1.0);
    Sample half = sample(rig, 0);

    double fullCore = double(full.core - before.core), halfCore = double(half.core - full.core);
    double fullReference = double(full.reference - before.reference);
    double halfReference = double(half.reference - full.reference);
    EXPECT_NEAR(halfCore / fullCore, 0.5, 0.0005);
    EXPECT_NEAR(halfReference / fullReference, 0.5, 0.0005);
    EXPECT_NEAR(double(half.fixedReference - full.fixedReference) / double(full.fixedReference - before.fixedReference),
                0.5, 0.0005);
}

TEST_P(CounterInvariants, CountersWrapAtTheirWidth)
{
    const Clocks& want = GetParam();
    Rig rig(want.profile, Rig::fixedLoad(100));
    rig.programCounters(0);
    uint64_t modulus = 1ull << want.width;
    // A legacy write sets the low 32 bits and sign-extends them: -1000 is 2^width - 1000.
    ASSERT_TRUE(rig.write(0, msr::IA32_PMC0, uint32_t(-1000)));
    uint64_t start = rig.read(0, msr::IA32_PMC0);
    EXPECT_EQ(start, modulus - 1000);
    ASSERT_TRUE(rig.write(0, msr::IA32_FIXED_CTR1, modulus - 1000));
    rig.clock->advanceMilliseconds(1);
    uint64_t wrapped = rig.read(0, msr::IA32_PMC0);
    EXPECT_LT(wrapped, start);
    double expected = want.allCoresRatio * want.busMHz * 1e3; // cycles in 1 ms
    EXPECT_NEAR(double(modulus - start + wrapped), expected, expected * 0.001);
    EXPECT_LT(rig.read(0, msr::IA32_FIXED_CTR1), modulus / 2);
    uint64_t status = rig.read(0, msr::IA32_PERF_GLOBAL_STATUS);
    EXPECT_TRUE(msr::perf_global_status::pmcOverflow(0).test(status));
    EXPECT_TRUE(msr::perf_global_status::fixedOverflow(1).test(status));
    rig.write(0, msr::IA32_PERF_GLOBAL_OVF_CTRL, status);
    EXPECT_EQ(rig.read(0, msr::IA32_PERF_GLOBAL_STATUS), 0u);
}

INSTANTIATE_TEST_SUITE_P(Profiles, CounterInvariants, testing::ValuesIn(clocks),
                         [](const testing::TestParamInfo<Clocks>& info) {
                             std::string name = info.param.profile;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(CounterEnables, OnlyEnabledAndProgrammedCountersCount)
{
    Rig rig("i7-2600k", Rig::fixedLoad(100));
    rig.programCounters(0);
    // Counter 0 programmed but disabled globally; counter 1 enabled but not programmed.
    rig.write(0, msr::IA32_PERF_GLOBAL_CTRL, msr::perf_global_ctrl::Pmc1Enable.mask());
    rig.write(0, msr::IA32_PERFEVTSEL1, 0);
    uint64_t pmc0 = rig.read(0, msr::IA32_PMC0), pmc1 = rig.read(0, msr::IA32_PMC1);
    uint64_t fixed2 = rig.read(0, msr::IA32_FIXED_CTR2);
    rig.clock->advanceSeconds(1.0);
    EXPECT_EQ(rig.read(0, msr::IA32_PMC0), pmc0);
    EXPECT_EQ(rig.read(0, msr::IA32_PMC1), pmc1);
    EXPECT_EQ(rig.read(0, msr::IA32_FIXED_CTR2), fixed2);
}

TEST(CounterEnables, SpeedStepRequestBelowBaseLowersTheRatio)
{
    Rig rig("e8400", Rig::fixedLoad(100));
    rig.programCounters(0);
    uint64_t control = rig.read(0, msr::IA32_PERF_CTL);
    rig.write(0, msr::IA32_PERF_CTL, msr::perf_ctl::Core2TargetRatio.set(control, 6));
    rig.write(1, msr::IA32_PERF_CTL, msr::perf_ctl::Core2TargetRatio.set(control, 6));
    Sample before = sample(rig, 0);
    rig.clock->advanceSeconds(1.0);
    Sample after = sample(rig, 0);
    EXPECT_NEAR(double(after.core - before.core) / double(after.reference - before.reference), 6.0, 0.006);
    EXPECT_EQ(msr::perf_status::CurrentRatio.get(rig.read(0, msr::IA32_PERF_STATUS)), 6u);
}

// What a CPU counted, how warm its core is and what its package used do not
// depend on when, or how often, anything was read: a machine read all the
// time on one CPU after another and one read only at the end agree, through
// a change of load and a register write on the way.
TEST(CounterReads, ReadingRarelyGivesWhatReadingOftenGives)
{
    using namespace msr;
    const char* profile = "xeon-4514y-2s"; // 64 CPUs on two packages
    Rig often(profile, Rig::fixedLoad(30)), rarely(profile, Rig::fixedLoad(30));
    const int watched[] = {5, 40, 41, 63};
    const uint64_t halfDuty = clock_modulation::Enable.set(clock_modulation::DutyCycle.set(0, 4), 1);
    for (Rig* rig : {&often, &rarely})
        for (int n : watched)
            rig->programCounters(n);
    for (int step = 1; step <= 300; ++step) {
        for (Rig* rig : {&often, &rarely}) {
            rig->clock->advanceMilliseconds(10);
            if (step == 100)
                rig->cpu->setLoad(41, 100);
            if (step == 200) {
                ASSERT_TRUE(rig->write(5, IA32_CLOCK_MODULATION, halfDuty));
            }
        }
        const int n = step * 7 % often.cpu->cpuCount();
        for (uint32_t index : {IA32_FIXED_CTR1, IA32_THERM_STATUS, MSR_PKG_ENERGY_STATUS})
            often.read(n, index);
    }
    // Each register, and the counts that rounding may part the two by.
    const std::pair<uint32_t, uint64_t> registers[] = {
        {IA32_PMC0, 1},         {IA32_PMC1, 1},         {IA32_FIXED_CTR1, 1},           {IA32_FIXED_CTR2, 1},
        {IA32_APERF, 1},        {IA32_MPERF, 1},        {IA32_THERM_STATUS, 0},         {IA32_PACKAGE_THERM_STATUS, 0},
        {MSR_PKG_ENERGY_STATUS, 1}};
    for (int n : watched) {
        for (const auto& [index, rounding] : registers) {
            const uint64_t a = often.read(n, index), b = rarely.read(n, index);
            EXPECT_LE(a > b ? a - b : b - a, rounding) << std::hex << "register 0x" << index << std::dec << " on cpu " << n
                                                       << ": " << a << " read often, " << b << " read at the end";
        }
    }
}

} // namespace
