// The NVIDIA sensor through the driver-API stand-in, over the test-only NVML
// library loaded with dlopen.

#include "FakeNvmlScript.h"

#include "monitor/gpu/GpuSensors.h"
#include "monitor/gpu/NvApiOverNvml.h"
#include "sim/SimulatedGpus.h"

#include <gtest/gtest.h>

#include <vector>

namespace monitor {
namespace {

using gputest::FakeNvmlScript;
using platform::NvmlApi;
using platform::NvmlDevice;
using platform::NvmlEntry;
using sim::makeSimulatedNvml;
namespace nvml = platform::nvml;
using gputest::fakeNvmlBackends;

std::tm noon()
{
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = 12;
    return t;
}

struct CreationCase {
    const char* name;
    const char* script;
    bool libraryThere;
    int status;
    uint32_t gpus;
};

class NvidiaCreation : public testing::TestWithParam<CreationCase> {};

TEST_P(NvidiaCreation, StatusAndPresence)
{
    const CreationCase& c = GetParam();
    FakeNvmlScript script(c.script);
    GpuSensors sensors(c.libraryThere ? fakeNvmlBackends() : fakeNvmlBackends("/nonexistent/libnvidia-ml.so.1"),
                       noon, "");
    MonitorSettings settings;
    settings.GPU = GpuSensors::NvidiaBit;
    sensors.openAtStartup(settings);
    EXPECT_EQ(sensors.nvidiaStatus(), c.status);
    EXPECT_EQ(settings.nvidiaPresent, c.status == 0);
    ASSERT_EQ(sensors.nvidia() != nullptr, c.status == 0);
    if (sensors.nvidia()) {
        EXPECT_EQ(sensors.nvidia()->gpuCount(), c.gpus);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NvidiaCreation,
    testing::Values(CreationCase{"LibraryMissing", "gpu A|1024|16|50\n", false, nvapi::LibraryNotFound, 0},
                    CreationCase{"InitFails", "init 1\ngpu A|1024|16|50\n", true, nvapi::Error, 0},
                    CreationCase{"DriverVersionUnreadable", "driver beta\ngpu A|1024|16|50\n", true, nvapi::Error, 0},
                    CreationCase{"NoGpu", "driver 535.104.05\n", true, nvapi::Ok, 0},
                    CreationCase{"TwoGpus", "driver 535.104.05\ngpu A|1024|16|50\ngpu B|512|8|40\n", true,
                                 nvapi::Ok, 2}),
    [](const testing::TestParamInfo<CreationCase>& info) { return std::string(info.param.name); });

struct ReadCase {
    const char* name;
    const char* gpus;
    std::vector<int> figures; // of successive reads
};

class NvidiaReading : public testing::TestWithParam<ReadCase> {};

// A failed or implausible reading on one GPU keeps the last good figure even
// though the other GPU was read.
TEST_P(NvidiaReading, FiguresOfSuccessiveCycles)
{
    const ReadCase& c = GetParam();
    FakeNvmlScript script(std::string("driver 535.104.05\n") + c.gpus);
    GpuSensors sensors(fakeNvmlBackends(), noon, "");
    MonitorSettings settings;
    ASSERT_TRUE(sensors.enableNvidia(settings));
    std::vector<int> figures;
    for (size_t i = 0; i < c.figures.size(); ++i)
        figures.push_back(sensors.read().value_or(-1));
    EXPECT_EQ(figures, c.figures);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NvidiaReading,
    testing::Values(ReadCase{"HottestOfTwo", "gpu A|1|1|50,60\ngpu B|1|1|55,58\n", {55, 60}},
                    ReadCase{"ReadingAbove127", "gpu A|1|1|50,51,53\ngpu B|1|1|40,128,45\n", {50, 50, 53}},
                    ReadCase{"FailingCall", "gpu A|1|1|50,57,53\ngpu B|1|1|40,x,45\n", {50, 50, 53}},
                    ReadCase{"FirstCycleFails", "gpu A|1|1|x,50\n", {0, 50}},
                    ReadCase{"NoGpu", "", {0, 0}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(NvidiaSensor, StatisticsOfAFailingGpuStayAndResetEmptiesThem)
{
    FakeNvmlScript script("driver 1.0\ngpu A|1|1|50,70,60\ngpu B|1|1|45,x,200\n");
    GpuSensors sensors(fakeNvmlBackends(), noon, "");
    MonitorSettings settings;
    ASSERT_TRUE(sensors.enableNvidia(settings));
    NvidiaSensor& nvidia = *sensors.nvidia();
    for (int i = 0; i < 3; ++i)
        nvidia.Read();
    EXPECT_EQ(nvidia.minTemp(0), 50u);
    EXPECT_EQ(nvidia.maxTemp(0), 70u);
    EXPECT_EQ(nvidia.minTemp(1), 45u);
    EXPECT_EQ(nvidia.maxTemp(1), 45u);

    nvidia.ResetStatistics();
    EXPECT_EQ(nvidia.minTemp(0), NvidiaSensor::NotRead);
    EXPECT_EQ(nvidia.maxTemp(0), 0u);
    EXPECT_EQ(nvidia.currentMax(), 0);
}

TEST(NvidiaSensor, WindowQueriesAndTheirFailures)
{
    FakeNvmlScript script("driver 535.104.05\ngpu GeForce A|8192|16|50\ngpu !|-1|-1|50\n");
    GpuSensors sensors(fakeNvmlBackends(), noon, "");
    MonitorSettings settings;
    ASSERT_TRUE(sensors.enableNvidia(settings));
    NvidiaSensor& nvidia = *sensors.nvidia();
    EXPECT_EQ(nvidia.driverVersion(), 53510u);
    EXPECT_EQ(nvidia.fullName(0), "GeForce A");
    EXPECT_EQ(nvidia.frameBufferKilobytes(0), 8192u * 1024);
    EXPECT_EQ(nvidia.linkWidth(0), 16u);
    EXPECT_EQ(nvidia.fullName(1), "");
    EXPECT_EQ(nvidia.frameBufferKilobytes(1), 0u);
    EXPECT_EQ(nvidia.linkWidth(1), 0u);
}

TEST(DriverVersion, Hundredths)
{
    EXPECT_EQ(driverVersionHundredths("535.104.05"), 53510u);
    EXPECT_EQ(driverVersionHundredths("280.26"), 28026u);
    EXPECT_EQ(driverVersionHundredths("535.5"), 53550u);
    EXPECT_EQ(driverVersionHundredths("470"), 47000u);
    EXPECT_EQ(driverVersionHundredths("beta"), std::nullopt);
}

// An NVML without the link-width function.
class NvmlWithoutWidth : public NvmlApi {
public:
    NvmlWithoutWidth() : m_inner(makeSimulatedNvml(1, [] { return 0.0; })) {}
    bool has(NvmlEntry e) const override { return e != NvmlEntry::PcieWidth; }
    int init() override { return m_inner->init(); }
    int driverVersion(char* t, unsigned n) override { return m_inner->driverVersion(t, n); }
    int deviceCount(unsigned* c) override { return m_inner->deviceCount(c); }
    int handleByIndex(unsigned i, NvmlDevice* d) override { return m_inner->handleByIndex(i, d); }
    int temperature(NvmlDevice d, unsigned s, unsigned* c) override { return m_inner->temperature(d, s, c); }
    int name(NvmlDevice d, char* t, unsigned n) override { return m_inner->name(d, t, n); }
    int memoryInfo(NvmlDevice d, nvml::Memory* m) override { return m_inner->memoryInfo(d, m); }
    int pcieLinkWidth(NvmlDevice, unsigned*) override { return nvml::ErrorFunctionNotFound; }

private:
    std::unique_ptr<NvmlApi> m_inner;
};

TEST(NvApiLoader, UnresolvedEntriesAnswerNotInitialisedThenNoImplementation)
{
    NvApiLoader loader([] { return std::make_unique<NvApiOverNvml>(std::make_unique<NvmlWithoutWidth>()); });
    uint32_t lanes = 7;
    EXPECT_EQ(loader.GPU_GetCurrentPCIEDownstreamWidth(nullptr, &lanes), nvapi::ApiNotInitialized);
    ASSERT_EQ(loader.Load(), nvapi::Ok);
    nvapi::PhysicalGpuHandle handles[nvapi::MaxPhysicalGpus] = {};
    uint32_t count = 0;
    ASSERT_EQ(loader.EnumPhysicalGPUs(handles, &count), nvapi::Ok);
    EXPECT_EQ(loader.GPU_GetCurrentPCIEDownstreamWidth(handles[0], &lanes), nvapi::NoImplementation);
    EXPECT_EQ(lanes, 7u);
}

} // namespace
} // namespace monitor
