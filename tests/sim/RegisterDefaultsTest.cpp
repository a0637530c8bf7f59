// Power-on register images are those of the real parts, and consistent with
// one another the way the monitors read them.

#include "SimTestSupport.h"

namespace {

using simtest::Rig;
using namespace msr;

// Ratio in tenths from a whole field and its half-ratio bit.
int tenths(uint64_t value, Field whole, Field half) { return int(whole.get(value)) * 10 + (half.test(value) ? 5 : 0); }

struct Core2Ratios {
    const char* profile;
    int maxWithAccelerationOff; // IA32_PERF_STATUS bits 44:40/46 with IA32_MISC_ENABLE bit 38 set
    int maxQualified;           // IA32_PLATFORM_ID bits 12:8/14
    int highest;                // MSR 0xCE bits 44:40/46 (dynamic acceleration included)
    int powerOn;                // MSR_EBL_CR_POWERON bits 26:22/18
    double vidLow, vidHigh;     // plausible VID at full load (V)
    bool mobile;
};

const std::vector<Core2Ratios> core2 = {
    {"e8400", 90, 90, 90, 90, 1.10, 1.30, false},
    {"q6600", 90, 90, 90, 90, 1.10, 1.35, false},
    {"q9550", 85, 85, 85, 85, 1.10, 1.30, false},
    {"t9300", 125, 125, 135, 125, 1.00, 1.25, true},
    {"n270", 120, 120, 120, 120, 0.95, 1.20, true},
};

class Core2Defaults : public testing::TestWithParam<Core2Ratios> {};

TEST_P(Core2Defaults, RatioRegistersAgree)
{
    const Core2Ratios& want = GetParam();
    Rig rig(want.profile, Rig::fixedLoad(100));
    uint64_t misc = rig.read(0, IA32_MISC_ENABLE);
    ASSERT_TRUE(rig.write(0, IA32_MISC_ENABLE, misc_enable::TurboDisengage.set(misc, 1)));
    uint64_t status = rig.read(0, IA32_PERF_STATUS);
    EXPECT_EQ(tenths(status, perf_status::MaxRatio, perf_status::MaxHalfRatio), want.maxWithAccelerationOff);
    ASSERT_TRUE(rig.write(0, IA32_MISC_ENABLE, misc));

    uint64_t platform = rig.read(0, IA32_PLATFORM_ID);
    EXPECT_EQ(tenths(platform, platform_id::MaxQualifiedRatio, platform_id::MaxQualifiedHalfRatio), want.maxQualified);
    uint64_t info = rig.read(0, MSR_PLATFORM_INFO);
    EXPECT_EQ(tenths(info, platform_info::Core2MaxRatio, platform_info::Core2MaxHalfRatio), want.highest);
    uint64_t powerOn = rig.read(0, MSR_EBL_CR_POWERON);
    EXPECT_EQ(tenths(powerOn, ebl_cr_poweron::PowerOnRatio, ebl_cr_poweron::HalfRatio), want.powerOn);

    // Busy on every core: the current ratio is the base ratio and the VID plausible.
    status = rig.read(0, IA32_PERF_STATUS);
    EXPECT_EQ(tenths(status, perf_status::CurrentRatio, perf_status::CurrentHalfRatio), want.maxQualified);
    double vid = double(perf_status::CurrentVid.get(status)) * 0.0125 + (want.mobile ? 0.7125 : 0.825);
    EXPECT_GE(vid, want.vidLow);
    EXPECT_LE(vid, want.vidHigh);

    for (uint32_t missing : {MSR_TEMPERATURE_TARGET, MSR_TURBO_RATIO_LIMIT, MSR_TURBO_POWER_CURRENT_LIMIT,
                             MSR_POWER_CTL, MSR_RAPL_POWER_UNIT, MSR_PKG_ENERGY_STATUS, MSR_PKG_POWER_LIMIT,
                             IA32_PMC2})
        EXPECT_FALSE(rig.readable(0, missing)) << std::hex << missing;
}

INSTANTIATE_TEST_SUITE_P(Profiles, Core2Defaults, testing::ValuesIn(core2));

struct NehalemLimits {
    const char* profile;
    int baseRatio;
    int minRatio;
    std::vector<int> turbo;  // MSR_TURBO_RATIO_LIMIT bytes, 1 to 8 active cores
    bool ratioProgrammable;
    bool tdpProgrammable;
    int tdpWatts, tdcAmps;   // MSR_TURBO_POWER_CURRENT_LIMIT, 0 where absent
};

const std::vector<NehalemLimits> nehalem = {
    {"i7-920", 20, 12, {22, 21, 21, 21, 0, 0, 0, 0}, false, true, 130, 100},
    {"i7-975", 25, 12, {27, 26, 26, 26, 0, 0, 0, 0}, true, true, 130, 110},
    {"i5-750", 20, 9, {24, 24, 21, 21, 0, 0, 0, 0}, false, true, 95, 80},
    {"i7-980x", 25, 12, {27, 27, 26, 26, 26, 26, 0, 0}, true, true, 130, 110},
    {"xeon-x5570-2s", 22, 12, {25, 25, 24, 24, 0, 0, 0, 0}, false, false, 95, 80},
    {"i7-2600k", 34, 16, {38, 37, 36, 35, 0, 0, 0, 0}, true, true, 0, 0},
};

class NehalemDefaults : public testing::TestWithParam<NehalemLimits> {};

TEST_P(NehalemDefaults, PlatformAndTurboRegisters)
{
    const NehalemLimits& want = GetParam();
    Rig rig(want.profile);
    uint64_t info = rig.read(0, MSR_PLATFORM_INFO);
    EXPECT_EQ(platform_info::MaxNonTurboRatio.get(info), uint64_t(want.baseRatio));
    EXPECT_EQ(platform_info::MaxEfficiencyRatio.get(info), uint64_t(want.minRatio));
    EXPECT_EQ(platform_info::ProgrammableRatioLimit.test(info), want.ratioProgrammable);
    EXPECT_EQ(platform_info::ProgrammableTdpLimit.test(info), want.tdpProgrammable);
    uint64_t limit = rig.read(0, MSR_TURBO_RATIO_LIMIT);
    for (unsigned cores = 1; cores <= 8; ++cores)
        EXPECT_EQ(turbo_ratio_limit::ratioForActiveCores(cores).get(limit), uint64_t(want.turbo[cores - 1]))
            << cores << " active cores";
    if (want.tdpWatts) {
        uint64_t power = rig.read(0, MSR_TURBO_POWER_CURRENT_LIMIT);
        EXPECT_EQ(turbo_power_current_limit::TdpLimit.get(power), uint64_t(want.tdpWatts * 8));
        EXPECT_EQ(turbo_power_current_limit::TdcLimit.get(power), uint64_t(want.tdcAmps * 8));
    } else {
        EXPECT_FALSE(rig.readable(0, MSR_TURBO_POWER_CURRENT_LIMIT));
    }
    EXPECT_FALSE(rig.readable(0, MSR_EBL_CR_POWERON));
    EXPECT_TRUE(power_ctl::C1eEnable.test(rig.read(0, MSR_POWER_CTL)));
    EXPECT_TRUE(rig.readable(0, IA32_PMC3)) << "four general counters";
}

INSTANTIATE_TEST_SUITE_P(Profiles, NehalemDefaults, testing::ValuesIn(nehalem));

TEST(SandyBridgeDefaults, RaplUnitsLimitsAndVoltage)
{
    Rig rig("i7-2600k", Rig::fixedLoad(100));
    EXPECT_EQ(rig.read(0, MSR_RAPL_POWER_UNIT), 0xA1003u);
    uint64_t units = rig.read(0, MSR_RAPL_POWER_UNIT);
    double powerUnit = double(1u << rapl_power_unit::PowerUnits.get(units));
    uint64_t limit = rig.read(0, MSR_PKG_POWER_LIMIT);
    EXPECT_EQ(double(pkg_power_limit::PowerLimit1.get(limit)) / powerUnit, 95.0);
    EXPECT_TRUE(pkg_power_limit::EnableLimit1.test(limit));
    EXPECT_FALSE(pkg_power_limit::Lock.test(limit));
    EXPECT_GT(pkg_power_limit::PowerLimit2.get(limit), pkg_power_limit::PowerLimit1.get(limit));
    uint64_t current = rig.read(0, MSR_PP0_CURRENT_CONFIG);
    EXPECT_EQ(double(pp0_current_config::CurrentLimit.get(current)) / powerUnit, 97.0);
    double volts = double(perf_status::SandyBridgeVoltage.get(rig.read(0, IA32_PERF_STATUS))) / 8192.0;
    EXPECT_GT(volts, 1.1);
    EXPECT_LT(volts, 1.4);
    EXPECT_EQ(perf_status::OperatingRatio.get(rig.read(0, IA32_PERF_STATUS)), 35u);
}

TEST(MiscEnableDefaults, SpeedStepOnTurboOnLimitOff)
{
    for (const sim::Profile& profile : sim::profiles()) {
        Rig rig(std::string(profile.name));
        uint64_t misc = rig.read(0, IA32_MISC_ENABLE);
        EXPECT_TRUE(misc_enable::EnhancedSpeedStep.test(misc)) << profile.name;
        EXPECT_TRUE(misc_enable::PerformanceMonitoring.test(misc)) << profile.name;
        EXPECT_FALSE(misc_enable::LimitCpuidMaxValue.test(misc)) << profile.name;
        EXPECT_FALSE(misc_enable::TurboDisengage.test(misc)) << profile.name;
    }
}

} // namespace
