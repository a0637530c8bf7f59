// The ATI sensor through the display-library stand-in, over recorded
// /sys/class/drm trees.

#include "DrmFixture.h"

#include "monitor/gpu/GpuSensors.h"
#include "sim/SimulatedGpus.h"

#include <gtest/gtest.h>

#include <vector>

namespace monitor {
namespace {

using gputest::CardSpec;
using gputest::DrmFixture;
using sim::makeSimulatedDrmTree;
using sim::makeSimulatedNvml;
using sim::simulatedGpuMillidegrees;

constexpr const char* A = "0000:03:00.0";
constexpr const char* B = "0000:04:00.0";

struct AtiRig {
    DrmFixture tree;
    std::tm now{};
    MonitorSettings settings;
    std::string iniPath;
    std::unique_ptr<GpuSensors> sensors;

    AtiRig() : iniPath((tree.top / "Ostrel.ini").string()) { at(12, 0, 3); }

    void at(int hour, int minute, int second)
    {
        now.tm_hour = hour;
        now.tm_min = minute;
        now.tm_sec = second;
    }
    bool open(const std::string& ini = "")
    {
        DrmFixture::write(iniPath, "[Ostrel]\n" + ini);
        GpuBackends backends = GpuBackends::host("/nonexistent/libnvidia-ml.so.1", tree.root());
        sensors = std::make_unique<GpuSensors>(backends, [this] { return now; }, iniPath);
        return sensors->enableAti(settings);
    }
    AtiSensor& ati() { return *sensors->ati(); }
};

TEST(AtiSensor, OneAdapterPerAmdCardAndOnlyCardsWithATemperatureAreRead)
{
    AtiRig rig;
    rig.tree.card(0, {.pci = A, .millidegrees = 45000, .productName = "AMD Radeon HD 6970 Series"});
    rig.tree.card(1, {.vendor = "0x10de", .pci = "0000:05:00.0", .millidegrees = 80000});
    rig.tree.card(2, {.pci = "0000:06:00.0", .millidegrees = std::nullopt});
    rig.tree.card(3, {.pci = B, .millidegrees = 52900});
    DrmFixture::write(rig.tree.root() + "/card0-DP-1/status", "connected\n");
    DrmFixture::write(rig.tree.root() + "/renderD128/dev", "226:128\n");

    ASSERT_TRUE(rig.open());
    AtiSensor& ati = rig.ati();
    ASSERT_EQ(ati.adapterCount(), 3);
    EXPECT_EQ(ati.adapterName(0), "AMD Radeon HD 6970 Series");
    EXPECT_EQ(ati.adapterName(1), "AMD Radeon Graphics (0x73bf)");
    EXPECT_EQ(ati.readMask(), 0b101u);
    EXPECT_EQ((std::vector<int>{ati.lastTemp(0), ati.lastTemp(1), ati.lastTemp(2)}), (std::vector<int>{45, -1, 52}));
    EXPECT_EQ(ati.currentMax(), 52);
}

TEST(AtiSensor, TwoEntriesOfOneGpuAreReadOnce)
{
    AtiRig rig;
    rig.tree.card(0, {.pci = A, .millidegrees = 45000});
    rig.tree.card(1, {.pci = A});
    ASSERT_TRUE(rig.open());
    EXPECT_EQ(rig.ati().adapterCount(), 2);
    EXPECT_EQ(rig.ati().readMask(), 0b01u);
    EXPECT_EQ(rig.ati().lastTemp(1), AtiSensor::NoTemperature);
}

TEST(AtiSensor, NoSensorWithoutAReadableAmdCard)
{
    AtiRig rig;
    rig.tree.card(0, {.vendor = "0x10de", .pci = A});
    rig.tree.card(1, {.pci = B, .millidegrees = std::nullopt});
    EXPECT_FALSE(rig.open());
    EXPECT_EQ(rig.sensors->ati(), nullptr);
    EXPECT_FALSE(rig.settings.gpuPresent);
}

// PollInterval 5: readings at clock seconds 0, 5 and 10, constant between.
TEST(AtiSensor, ReadsOnClockSecondsThatAreMultiplesOfTheInterval)
{
    AtiRig rig;
    rig.tree.card(0, {.pci = A, .millidegrees = 39000});
    rig.at(12, 0, 59);
    ASSERT_TRUE(rig.open("PollInterval=5\n"));
    std::vector<int> figures;
    for (int second = 0; second <= 10; ++second) {
        rig.at(12, 1, second);
        rig.tree.setTemperature(A, (40 + second) * 1000);
        figures.push_back(rig.sensors->read().value());
    }
    EXPECT_EQ(figures, (std::vector<int>{40, 40, 40, 40, 40, 45, 45, 45, 45, 45, 50}));
}

TEST(AtiSensor, DisabledReadingFreezesTheFigureAndReadNowReadsAtOnce)
{
    AtiRig rig;
    rig.tree.card(0, {.pci = A, .millidegrees = 50000});
    ASSERT_TRUE(rig.open("PollInterval=3600\n"));
    rig.settings.DisableSensor = 1;
    rig.tree.setTemperature(A, 70000);
    rig.ati().setReadNow();
    EXPECT_EQ(rig.sensors->read(), 50);
    rig.settings.DisableSensor = 0;
    EXPECT_EQ(rig.sensors->read(), 70); // readNow was still pending
    rig.tree.setTemperature(A, 75000);
    EXPECT_EQ(rig.sensors->read(), 70); // 12:00:03 is no multiple of 3600
}

struct PollCase {
    const char* name;
    int secondCard;               // millidegrees of the second card's next reading; 0 = removed
    std::vector<int> expected;    // figure, minTemp of card 2
};

class AtiImplausible : public testing::TestWithParam<PollCase> {};

// After a first poll of 50 and 40: the first card reads 60, the second as
// given. A bad second card keeps its statistics and the last good figure.
TEST_P(AtiImplausible, KeepsStatisticsAndFallsBack)
{
    const PollCase& c = GetParam();
    AtiRig rig;
    rig.tree.card(0, {.pci = A, .millidegrees = 50000});
    rig.tree.card(1, {.pci = B, .millidegrees = 40000});
    ASSERT_TRUE(rig.open());
    rig.tree.setTemperature(A, 60000);
    if (c.secondCard == 0)
        rig.tree.removeTemperature(B);
    else
        rig.tree.setTemperature(B, c.secondCard);
    rig.ati().setReadNow();
    const int figure = rig.sensors->read().value();
    EXPECT_EQ((std::vector<int>{figure, rig.ati().minTemp(1), rig.ati().maxTemp(1)}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, AtiImplausible,
                         testing::Values(PollCase{"Plausible", 45000, {60, 40, 45}},
                                         PollCase{"Zero", 900, {50, 40, 40}},
                                         PollCase{"Above127", 128000, {50, 40, 40}},
                                         PollCase{"BelowZero", -5000, {50, 40, 40}}),
                         [](const testing::TestParamInfo<PollCase>& info) { return std::string(info.param.name); });

TEST(AtiSensor, FigureIsZeroWhenNoAdapterCouldBeRead)
{
    AtiRig rig;
    rig.tree.card(0, {.pci = A, .millidegrees = 50000});
    ASSERT_TRUE(rig.open());
    rig.tree.setTemperature(A, 0);
    rig.ati().setReadNow();
    EXPECT_EQ(rig.sensors->read(), 0);
}

struct IniCase {
    const char* ini;
    int pollInterval;
};

class AtiKeys : public testing::TestWithParam<IniCase> {};

// A sensor switched on in the Settings window reads its keys from the file.
TEST_P(AtiKeys, PollIntervalOutsideItsRangeLoadsAsFive)
{
    AtiRig rig;
    rig.tree.card(0, {.pci = A});
    ASSERT_TRUE(rig.open(GetParam().ini));
    EXPECT_EQ(rig.settings.PollInterval, GetParam().pollInterval);
}

INSTANTIATE_TEST_SUITE_P(Cases, AtiKeys,
                         testing::Values(IniCase{"PollInterval=0\n", 5}, IniCase{"PollInterval=3601\n", 5},
                                         IniCase{"PollInterval=3600\n", 3600}, IniCase{"PollInterval=7\n", 7},
                                         IniCase{"", 5}));

TEST(AtiSensor, ClosingWritesTheKeys)
{
    AtiRig rig;
    rig.tree.card(0, {.pci = A});
    ASSERT_TRUE(rig.open());
    rig.settings.PollInterval = 30;
    rig.settings.DisableSensor = 1;
    ASSERT_TRUE(rig.sensors->saveAtiPolling());
    MonitorSettings reread;
    GpuSensors again(GpuBackends::host("/nonexistent", rig.tree.root()), [&rig] { return rig.now; }, rig.iniPath);
    ASSERT_TRUE(again.enableAti(reread));
    EXPECT_EQ(reread.PollInterval, 30);
    EXPECT_EQ(reread.DisableSensor, 1);
}

TEST(GpuSensors, HotterOfBothSimulatedKindsFollowsTheLoad)
{
    double load = 0.0;
    GpuBackends backends;
    backends.openNvml = [&load] { return makeSimulatedNvml(2, [&load] { return load; }); };
    backends.openDrm = [&load] { return makeSimulatedDrmTree(1, [&load] { return load; }); };
    GpuSensors sensors(backends, [] { return std::tm{}; }, "");
    MonitorSettings settings;
    settings.GPU = GpuSensors::NvidiaBit | GpuSensors::AtiBit;
    sensors.openAtStartup(settings);
    ASSERT_TRUE(settings.nvidiaPresent);
    ASSERT_TRUE(settings.atiPresent);
    EXPECT_EQ(sensors.read(), std::nullopt); // until gpuPresent is set
    settings.gpuPresent = true;
    const int idle = sensors.read().value();
    load = 1.0;
    sensors.ati()->setReadNow();
    const int busy = sensors.read().value();
    EXPECT_EQ(idle, simulatedGpuMillidegrees(1, 0.0) / 1000); // the second NVIDIA GPU is the hottest
    EXPECT_GT(busy, idle + 30);
}

} // namespace
} // namespace monitor
