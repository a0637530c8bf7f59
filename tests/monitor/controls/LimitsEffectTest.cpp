// A change made in a limits window reaches what the turbo monitor measures on
// the same simulated processor: the turbo ratio for one busy core follows
// the ratio limit, and a package power limit below the package power pulls
// the multiplier down until the measured power keeps to the limit.

#include "LimitsRig.h"

#include "dialog/StandardIds.h"
#include "monitor/controls/window/PowerLimitsDialog.h"
#include "monitor/controls/window/TurboLimitsDialog.h"
#include "monitor/settings/SettingsLayout.h"
#include "turbo/TurboSampler.h"

#include <cmath>

namespace {

using namespace monitor;
using controlstest::LimitsRig;

// The turbo monitor's sampler over the rig's processor.
struct Sampler {
    explicit Sampler(LimitsRig& rig) : rig(rig), access(*rig.cpu)
    {
        turbo::TurboStartup startup = turbo::TurboSampler::start(access);
        EXPECT_EQ(startup.failure, turbo::StartupFailure::None);
        sampler = std::move(startup.sampler);
    }
    // The reading of the second that ends now, after `seconds` of settling.
    turbo::TurboReading after(int seconds)
    {
        turbo::TurboReading reading;
        for (int i = 0; i < seconds; ++i) {
            rig.clock->advanceSeconds(1.0);
            reading = sampler->tick();
        }
        return reading;
    }

    LimitsRig& rig;
    hw::HardwareAccess access;
    std::unique_ptr<turbo::TurboSampler> sampler;
};

// Package power over the next two seconds, from the energy counter.
double measuredWatts(LimitsRig& rig)
{
    const int energyBits = int(msr::rapl_power_unit::EnergyStatusUnits.get(rig.peek(msr::MSR_RAPL_POWER_UNIT)));
    const uint64_t start = rig.peek(msr::MSR_PKG_ENERGY_STATUS);
    rig.clock->advanceSeconds(2.0);
    const uint64_t end = rig.peek(msr::MSR_PKG_ENERGY_STATUS);
    return std::ldexp(double(uint32_t(end - start)), -energyBits) / 2.0;
}

TEST(LimitsEffect, LoweringTheOneCoreRatioLowersTheMultiplierOfOneBusyCore)
{
    LimitsRig rig("i7-975");
    constexpr int BusyCpu = 2;
    rig.cpu->setLoad(BusyCpu, 100);
    Sampler sparvel(rig);
    const double before = sparvel.after(2).perSlot[BusyCpu].multiplier;
    EXPECT_NEAR(before, 27.0, 0.05);

    {
        TurboLimitsDialog window(*rig.access, rig.settings, rig.iniPath, FourCoreSettings);
        window.setServices(rig.services);
        LimitsRig::showActive(window);
        LimitsRig::spin(window, IdRatioSpin1, +1, 2);
        LimitsRig::click(window, IdTurboApply);
        LimitsRig::click(window, dialog::IDCANCEL);
    }

    const double after = sparvel.after(2).perSlot[BusyCpu].multiplier;
    EXPECT_NEAR(before - after, 2.0, 0.05);
}

struct PowerLimitCase {
    const char* name;
    const char* limitWatts;
    bool clamp; // lets the limit hold the package below its base ratio
};

class PackagePowerLimit : public ::testing::TestWithParam<PowerLimitCase> {};

TEST_P(PackagePowerLimit, BelowThePackagePowerLowersTheMultiplierUntilThePowerKeepsToIt)
{
    const PowerLimitCase& c = GetParam();
    LimitsRig rig("i7-2600k", 100);
    Sampler sparvel(rig);
    const double turboMultiplier = sparvel.after(2).averageMultiplier;
    const double turboWatts = measuredWatts(rig);
    const double limit = QString::fromLatin1(c.limitWatts).toDouble();
    ASSERT_GT(turboWatts, limit);

    {
        PowerLimitsDialog window(*rig.access);
        window.setServices(rig.services);
        LimitsRig::showActive(window);
        LimitsRig::type(window, IdLimit1, QString::fromLatin1(c.limitWatts), IdLimit2);
        if (c.clamp)
            LimitsRig::click(window, IdClamp1);
        LimitsRig::click(window, dialog::IDOK);
    }

    const double limitedMultiplier = sparvel.after(2).averageMultiplier;
    EXPECT_LT(limitedMultiplier, turboMultiplier - 0.5);
    const double limitedWatts = measuredWatts(rig);
    EXPECT_LE(limitedWatts, limit);
}

INSTANTIATE_TEST_SUITE_P(Limits, PackagePowerLimit,
                         ::testing::Values(PowerLimitCase{"BetweenBaseAndTurboPower", "77", false},
                                           PowerLimitCase{"BelowBasePowerWithClamping", "50", true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
