// Every simulated profile at fixed loads: the texts the main window would show.

#include "tests/monitor/measure/MeasureRig.h"
#include "platform/CFormat.h"

#include "monitor/measure/MeasureMath.h"

#include <algorithm>
#include <cmath>

using namespace measuretest;
using namespace monitor;

namespace {

const char* const AllProfiles[] = {"e8400", "q6600", "q9550", "t9300", "n270", "i7-920",
                                   "i7-975", "i5-750", "i7-980x", "xeon-x5570-2s", "i7-2600k"};

// The voltage the profile runs at for a ratio, as the model defines it.
double profileVolts(const sim::Profile& p, int ratioTenths)
{
    int low = p.minRatioTenths;
    int high = p.topRatioTenths();
    if (high <= low)
        return p.maxVolts;
    double position = std::clamp(double(ratioTenths - low) / double(high - low), 0.0, 1.0);
    return p.minVolts + (p.maxVolts - p.minVolts) * position;
}

TEST(MeasureProfiles, TextsAtBaseRatio)
{
    for (const char* name : AllProfiles) {
        for (double load : {100.0, 50.0}) {
            SCOPED_TRACE(std::string(name) + " at " + std::to_string(load) + " %");
            Rig rig(name, load);
            const sim::Profile& p = rig.profile();
            rig.requestRatio(p.baseRatioTenths);
            ASSERT_EQ(rig.runningRatioTenths(), p.baseRatioTenths);
            rig.create();

            const ReadingTexts& texts = rig.cycle();
            double multiplier = p.baseRatioTenths / 10.0;
            double busMHz = p.busHz() / 1e6;
            EXPECT_EQ(texts.multiplier, platform::cformat("%.2f x %.1f", busMHz, multiplier));
            EXPECT_EQ(texts.clock, platform::cformat("%.2f MHz", rig.tscMHz()));
            EXPECT_NEAR(rig.shared.coreClockMHz.load(), rig.tscMHz(), 1e-6);
            EXPECT_NEAR(numberIn(texts.load), load, 1.0) << texts.load;
            EXPECT_EQ(texts.load.rfind("Load ", 0), 0u) << texts.load;

            // Voltage identifier where the processor offers that view.
            if (InfoViewCount(rig.info) > 1) {
                rig.readings->NextInfoView({});
                ASSERT_EQ(rig.readings->infoView(), VidView);
                const std::string& vid = rig.readings->texts().info;
                double step = p.family == sim::Family::SandyBridge ? 1.0 / 8192 : 0.0125;
                EXPECT_NEAR(numberIn(vid), profileVolts(p, p.baseRatioTenths), step / 2 + 1e-4) << vid;
                EXPECT_NE(vid.find(" VID"), std::string::npos) << vid;
            }
            // Package power on Sandy Bridge.
            if (InfoViewCount(rig.info) > 2) {
                rig.cycle();
                rig.readings->NextInfoView({});
                ASSERT_EQ(rig.readings->infoView(), PowerView);
                double simulated = rig.sim->packageWatts(0);
                ASSERT_GT(simulated, 1.0);
                EXPECT_NEAR(rig.counters.packageWatts, simulated, simulated * 0.01);
                EXPECT_EQ(rig.readings->texts().info, platform::cformat("%.1f W", rig.counters.packageWatts));
            }
        }
    }
}

TEST(MeasureProfiles, TurboWithOneBusyProcessor)
{
    // Only logical processor 0 carries load: the governor asks for the
    // highest ratio and the multiplier is the part's published single-core
    // turbo ratio.
    struct Case {
        const char* name;
        double oneCoreRatio;
    };
    const Case cases[] = {{"t9300", 13.5}, {"i7-920", 22}, {"i7-975", 27}, {"i5-750", 24},
                          {"i7-980x", 27}, {"xeon-x5570-2s", 25}, {"i7-2600k", 38}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.name, 0.0);
        const sim::Profile& p = rig.profile();
        rig.sim->setLoad(0, 100.0);
        rig.create();
        rig.cycle();
        EXPECT_EQ(rig.readings->texts().multiplier, platform::cformat("%.2f x %.1f", p.busHz() / 1e6, c.oneCoreRatio));
        EXPECT_EQ(rig.readings->texts().clock, platform::cformat("%.2f MHz", p.busHz() / 1e6 * c.oneCoreRatio));
    }
}

TEST(MeasureProfiles, IdleAndBusyMachinesUnderTheGovernor)
{
    // Idle, only the monitor's own thread runs and the machine sits at its
    // lowest ratio; with every processor busy it runs at the all-core bin.
    struct Case {
        const char* name;
        double load;
        const char* multiplier;
        double clockMHz;
    };
    const Case cases[] = {
        {"i7-2600k", 0, "100.00 x 16.0", 1600.0}, {"i7-2600k", 100, "100.00 x 35.0", 3500.0},
        {"i7-920", 0, "133.33 x 12.0", 1600.0},   {"i7-980x", 100, "133.33 x 26.0", 3466.67},
        {"e8400", 0, "333.33 x 6.0", 2000.0},     {"t9300", 0, "200.00 x 6.0", 1200.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(c.load) + " %");
        Rig rig(c.name, c.load);
        rig.create();
        rig.cycle();
        const ReadingTexts& texts = rig.cycle();
        EXPECT_EQ(texts.multiplier, c.multiplier);
        EXPECT_NEAR(numberIn(texts.clock), c.clockMHz, c.clockMHz * 0.01) << texts.clock;
    }
}

TEST(MeasureProfiles, TheManyCoreBuildMeasuresEveryCpu)
{
    // CPUs 0-15 idle, 16-63 fully busy on the two-socket Xeon: the six-core
    // way sees an idle machine, the many-core way three quarters of it busy.
    struct Case {
        const monitor::MeasureFlavour& flavour;
        double load;
    };
    for (const Case& c : {Case{monitor::SixCoreMeasure, 0.0}, Case{monitor::ManyCoreMeasure, 75.0}}) {
        Rig rig("xeon-4514y-2s", 0.0);
        for (int cpu = 16; cpu < rig.sim->cpuCount(); ++cpu)
            rig.sim->setLoad(cpu, 100.0);
        rig.create(c.flavour);
        rig.cycle();
        EXPECT_NEAR(numberIn(rig.cycle().load), c.load, 2.0) << rig.readings->texts().load;
    }
}

TEST(MeasureProfiles, SpeedStepBelowBase)
{
    struct Case {
        const char* name;
        int requestTenths;
        const char* multiplierText;
    };
    const Case cases[] = {
        {"e8400", 60, "333.33 x 6.0"},
        {"q9550", 60, "333.33 x 6.0"},
        {"i7-920", 120, "133.33 x 12.0"},
        {"i7-2600k", 160, "100.00 x 16.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.name, 100.0);
        rig.requestRatio(c.requestTenths);
        rig.create();
        EXPECT_EQ(rig.cycle().multiplier, c.multiplierText);
    }
}

TEST(MeasureProfiles, HalfRatioCore2)
{
    // The Q9550 runs at 8.5 x 333 MHz; its nominal ratio carries the half.
    Rig rig("q9550", 100.0);
    rig.requestRatio(85);
    rig.create();
    EXPECT_DOUBLE_EQ(rig.counters.nominalRatio, 8.5);
    EXPECT_DOUBLE_EQ(rig.counters.baseRatio, 8.5);
    EXPECT_EQ(rig.cycle().multiplier, "333.33 x 8.5");
    EXPECT_EQ(rig.readings->texts().clock, "2833.33 MHz");
}

TEST(MeasureProfiles, RatioRegistersWithMsrMulti)
{
    struct Case {
        const char* name;
        uint64_t perfStatusBit15;
        const char* multiplierText;
    };
    const Case cases[] = {
        {"e8400", 0, "333.33 x 9.0"},
        {"q9550", 0, "333.33 x 8.5"},      // power-on ratio 8 plus the half bit
        {"q9550", 1, "333.33 x 8.5"},      // the half bit wins over bus halving
        {"e8400", 1, "333.33 x 4.5"},      // halved: 9 / 2
        {"n270", 0, "133.33 x 12.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " bit 15 " + std::to_string(c.perfStatusBit15));
        Rig rig(c.name, 100.0);
        rig.requestRatio(rig.profile().minRatioTenths); // the counters would say otherwise
        if (c.perfStatusBit15)
            rig.processor->overlay(msr::IA32_PERF_STATUS, msr::perf_status::NonIntegerBusRatio.mask(),
                                   msr::perf_status::NonIntegerBusRatio.mask());
        rig.create(FourCoreMeasure, 1);
        EXPECT_FALSE(rig.counters.useCycleCounters);
        EXPECT_EQ(rig.cycle().multiplier, c.multiplierText);
    }
}

TEST(MeasureProfiles, MsrMultiIgnoredOnNehalem)
{
    Rig rig("i7-920", 100.0);
    rig.requestRatio(150);
    rig.create(FourCoreMeasure, 1);
    EXPECT_EQ(rig.cycle().multiplier, "133.33 x 15.0");
}

TEST(MeasureProfiles, HalvedBusClock)
{
    // With bit 15 of IA32_PERF_STATUS set, a ratio field above twice the
    // measured multiplier means the bus runs at half speed.
    struct Case {
        uint64_t ratioField;
        const char* multiplierText;
    };
    const Case cases[] = {
        {13, "166.67 x 12.0"},
        {12, "333.33 x 6.0"},   // 2 x 6 is not below 12
    };
    for (const Case& c : cases) {
        Rig rig("e8400", 100.0);
        rig.requestRatio(60);
        rig.create();
        rig.cycle();
        uint64_t fields = msr::perf_status::NonIntegerBusRatio.mask() | msr::perf_status::CurrentRatio.mask();
        uint64_t value = msr::perf_status::CurrentRatio.set(msr::perf_status::NonIntegerBusRatio.mask(), c.ratioField);
        rig.processor->overlay(msr::IA32_PERF_STATUS, value, fields);
        EXPECT_EQ(rig.cycle().multiplier, c.multiplierText) << c.ratioField;
        EXPECT_DOUBLE_EQ(rig.readings->multiplier(), 6.0);
    }
}

TEST(MeasureProfiles, SystemLoadWithTmLoad)
{
    Rig rig("i7-920", 30.0);
    rig.create();
    rig.shared.systemLoad = 87.3;
    ReadingOptions options;
    options.tmLoad = true;
    EXPECT_EQ(rig.cycle(1.0, options).load, "Load  87.3%");
    options.tmLoad = false;
    EXPECT_NEAR(numberIn(rig.cycle(1.0, options).load), 30.0, 1.0);
}

TEST(MeasureProfiles, NoClockTextsBeforeTheFirstEstimate)
{
    Rig rig("i5-750", 100.0);
    rig.create();
    rig.shared.tscMHz = 0.9; // truncates to 0
    const ReadingTexts& texts = rig.cycle();
    EXPECT_EQ(texts.clock, "");
    EXPECT_EQ(texts.multiplier, "");
    EXPECT_NE(texts.load, "");
    EXPECT_EQ(texts.info, "0:00:01");
}

} // namespace
