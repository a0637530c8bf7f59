// The thermal sensor readout follows load with a lag, flags TjMax, can be
// pinned; package energy advances with power in RAPL units and wraps at 2^32.

#include "SimTestSupport.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace {

using simtest::Rig;
using namespace msr;

int readout(Rig& rig, int cpu) { return int(therm_status::DigitalReadout.get(rig.read(cpu, IA32_THERM_STATUS))); }

class ThermalLag : public testing::TestWithParam<const char*> {};

TEST_P(ThermalLag, ReadoutFallsUnderLoadAndRecoversAtIdle)
{
    Rig rig(GetParam(), Rig::fixedLoad(0));
    uint64_t status = rig.read(0, IA32_THERM_STATUS);
    EXPECT_TRUE(therm_status::ReadingValid.test(status));
    EXPECT_EQ(therm_status::ResolutionInDegrees.get(status), 1u);
    EXPECT_FALSE(therm_status::ThermalStatus.test(status));
    int idle = readout(rig, 0);
    EXPECT_GT(idle, 30) << "an idle core runs far below TjMax";

    rig.setAllLoads(100);
    rig.clock->advanceMilliseconds(500);
    int early = readout(rig, 0);
    rig.clock->advanceSeconds(60);
    int loaded = readout(rig, 0);
    EXPECT_LT(loaded, idle - 10) << "a busy core runs hotter";
    EXPECT_GT(loaded, 5) << "but below TjMax";
    EXPECT_LT(early, idle) << "it starts to heat at once";
    EXPECT_GT(early, loaded) << "with a lag";

    rig.setAllLoads(0);
    rig.clock->advanceMilliseconds(500);
    int cooling = readout(rig, 0);
    EXPECT_GT(cooling, loaded);
    EXPECT_LT(cooling, idle);
    rig.clock->advanceSeconds(60);
    // Back within the sensor's noise; the heat spreader may hold a fraction of a degree.
    EXPECT_NEAR(readout(rig, 0), idle, 1);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ThermalLag, testing::Values("e8400", "t9300", "n270", "i7-920", "i7-2600k"));

TEST(Thermal, CoresHeatIndependently)
{
    Rig rig("q6600", Rig::fixedLoad(0));
    int idle = readout(rig, 3);
    rig.cpu->setLoad(1, 100);
    rig.clock->advanceSeconds(30);
    EXPECT_LT(readout(rig, 1), idle - 10);
    EXPECT_NEAR(readout(rig, 3), idle, 1) << "an idle core only shows the sensor's noise";
}

std::vector<int> coreReadouts(Rig& rig)
{
    std::vector<int> readouts;
    for (int core = 0; core < rig.cpu->profile().totalCores(); ++core)
        readouts.push_back(readout(rig, core * rig.cpu->profile().threadsPerCore));
    return readouts;
}

int spread(const std::vector<int>& readouts)
{
    auto [low, high] = std::minmax_element(readouts.begin(), readouts.end());
    return *high - *low;
}

TEST(Thermal, CoresStartAtIdleDifferAndWarmWithLag)
{
    // Busy from power-on: the cores start at idle temperature, each warms
    // towards its own level, quickly at first and then with the cooler.
    Rig rig("i7-2600k", Rig::fixedLoad(100));
    const sim::Profile& p = rig.cpu->profile();
    std::vector<int> start = coreReadouts(rig);
    for (int value : start)
        EXPECT_NEAR(value, p.tjMax - p.idleCelsius, 2.5) << "idle temperature at power-on";
    rig.clock->advanceSeconds(5.0);
    std::vector<int> early = coreReadouts(rig);
    rig.clock->advanceSeconds(55.0);
    std::vector<int> minute = coreReadouts(rig);
    for (size_t core = 0; core < start.size(); ++core) {
        SCOPED_TRACE(core);
        EXPECT_LT(early[core], start[core] - 10) << "the die heats within seconds";
        EXPECT_LT(minute[core], early[core] - 3) << "the cooler follows slowly";
    }
    EXPECT_GE(spread(minute), 4) << "each core runs at its own temperature";
    EXPECT_GT(spread(minute), spread(start));
}

TEST(Thermal, SensorNoiseIsSmallAndRepeatable)
{
    Rig first("q9550", Rig::fixedLoad(40));
    Rig second("q9550", Rig::fixedLoad(40));
    first.clock->advanceSeconds(120.0);
    second.clock->advanceSeconds(120.0);
    std::set<int> seen;
    for (int step = 0; step < 100; ++step) {
        int value = readout(first, 2);
        EXPECT_EQ(value, readout(second, 2)) << "step " << step;
        double exact = first.cpu->profile().tjMax - first.cpu->coreCelsius(2);
        EXPECT_LE(std::abs(value - exact), 0.5 + sim::SensorNoiseCelsius + 1e-9);
        seen.insert(value);
        first.clock->advanceMilliseconds(100);
        second.clock->advanceMilliseconds(100);
    }
    EXPECT_LE(seen.size(), 2u) << "at a steady temperature the readout moves by a degree at most";
}

TEST(Thermal, PinnedReadoutsAndTheTjMaxFlags)
{
    sim::Options options = Rig::fixedLoad(100);
    options.pinnedReadouts = {40, 0};
    Rig rig("i7-920", options);
    EXPECT_EQ(readout(rig, 0), 40);
    EXPECT_EQ(readout(rig, 1), 40) << "both threads of core 0";
    EXPECT_EQ(readout(rig, 2), 0) << "core 1";
    uint64_t hot = rig.read(2, IA32_THERM_STATUS);
    EXPECT_TRUE(therm_status::ThermalStatus.test(hot));
    EXPECT_TRUE(therm_status::ThermalStatusLog.test(hot));

    // The log bit is sticky until software clears it with a 0.
    rig.cpu->pinReadout(1, 12);
    uint64_t cooler = rig.read(2, IA32_THERM_STATUS);
    EXPECT_FALSE(therm_status::ThermalStatus.test(cooler));
    EXPECT_TRUE(therm_status::ThermalStatusLog.test(cooler));
    ASSERT_TRUE(rig.write(2, IA32_THERM_STATUS, 0));
    EXPECT_FALSE(therm_status::ThermalStatusLog.test(rig.read(2, IA32_THERM_STATUS)));
    EXPECT_EQ(readout(rig, 2), 12);
}

TEST(Energy, AdvancesWithPackagePowerInRaplUnits)
{
    Rig rig("i7-2600k", Rig::fixedLoad(100));
    uint64_t units = rig.read(0, MSR_RAPL_POWER_UNIT);
    double joulesPerUnit = std::ldexp(1.0, -int(rapl_power_unit::EnergyStatusUnits.get(units)));
    uint64_t start = rig.read(0, MSR_PKG_ENERGY_STATUS);
    rig.clock->advanceSeconds(2.0);
    uint64_t end = rig.read(3, MSR_PKG_ENERGY_STATUS);
    double watts = double(end - start) * joulesPerUnit / 2.0;
    EXPECT_NEAR(watts, rig.cpu->packageWatts(0), 0.001);
    EXPECT_GT(watts, 50.0);
    EXPECT_LT(watts, 95.0) << "below the package power limit";

    rig.setAllLoads(0);
    start = rig.read(0, MSR_PKG_ENERGY_STATUS);
    rig.clock->advanceSeconds(2.0);
    double idleWatts = double(rig.read(0, MSR_PKG_ENERGY_STATUS) - start) * joulesPerUnit / 2.0;
    EXPECT_LT(idleWatts, 15.0);
}

TEST(Energy, WrapsAt32Bits)
{
    Rig rig("i7-2600k", Rig::fixedLoad(100));
    ASSERT_TRUE(rig.cpu->poke(0, MSR_PKG_ENERGY_STATUS, 0xFFFFFFFFull - 1000));
    uint64_t before = rig.read(0, MSR_PKG_ENERGY_STATUS);
    rig.clock->advanceSeconds(1.0);
    uint64_t after = rig.read(0, MSR_PKG_ENERGY_STATUS);
    EXPECT_LT(after, before);
    EXPECT_LE(after, 0xFFFFFFFFull);
    double joules = double((after + (1ull << 32)) - before) / 65536.0;
    EXPECT_NEAR(joules, rig.cpu->packageWatts(0), 0.01);

    // And without help: 2^32 units of 1/65536 J at about 80 W take under 15 minutes.
    Rig fresh("i7-2600k", Rig::fixedLoad(100));
    uint64_t previous = fresh.read(0, MSR_PKG_ENERGY_STATUS);
    bool wrapped = false;
    for (int second = 0; second < 1200 && !wrapped; ++second) {
        fresh.clock->advanceSeconds(1.0);
        uint64_t now = fresh.read(0, MSR_PKG_ENERGY_STATUS);
        wrapped = now < previous;
        previous = now;
    }
    EXPECT_TRUE(wrapped);
}

} // namespace
