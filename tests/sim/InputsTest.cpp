// The environment of a simulated run and the host load it can follow.

#include "SimTestSupport.h"

#include "sim/HostLoad.h"

#include <cstdio>
#include <fstream>

namespace {

struct OptionCase {
    const char* load;
    const char* readout;
    const char* gpu;
    bool ok = false;
    sim::LoadMode mode = sim::LoadMode::Host;
    double percent = 0;
    std::vector<int> readouts = {};
    int nvidia = 0;
    int ati = 0;
};

const std::vector<OptionCase> optionCases = {
    {nullptr, nullptr, nullptr, true, sim::LoadMode::Host, 0, {}, 0, 0},
    {"HOST", "", "", true, sim::LoadMode::Host, 0, {}, 0, 0},
    {"100", "40,45,127,0", "nvidia:1,ati:2", true, sim::LoadMode::Fixed, 100, {40, 45, 127, 0}, 1, 2},
    {"37.5", "5", "ati:1", true, sim::LoadMode::Fixed, 37.5, {5}, 0, 1},
    {"0", nullptr, "nvidia:2", true, sim::LoadMode::Fixed, 0, {}, 2, 0},
    {"101", nullptr, nullptr, false},
    {"-5", nullptr, nullptr, false},
    {"half", nullptr, nullptr, false},
    {"50%", nullptr, nullptr, false},
    {nullptr, "40,,42", nullptr, false},
    {nullptr, "128", nullptr, false},
    {nullptr, "-1", nullptr, false},
    {nullptr, "4x", nullptr, false},
    {nullptr, nullptr, "nvidia", false},
    {nullptr, nullptr, "nvidia:1,nvidia:2", false},
    {nullptr, nullptr, "amd:1", false},
    {nullptr, nullptr, "ati:99", false},
};

TEST(Options, ParsedOrRefusedWithAReason)
{
    for (const OptionCase& c : optionCases) {
        sim::Options options;
        std::string error;
        bool ok = sim::Options::fromVariables(c.load, c.readout, c.gpu, options, error);
        std::string label = std::string(c.load ? c.load : "-") + " | " + (c.readout ? c.readout : "-") + " | "
                            + (c.gpu ? c.gpu : "-");
        EXPECT_EQ(ok, c.ok) << label;
        if (!ok) {
            EXPECT_NE(error.find("SIMULATED_"), std::string::npos) << label;
            continue;
        }
        EXPECT_EQ(options.loadMode, c.mode) << label;
        EXPECT_EQ(options.fixedLoadPercent, c.percent) << label;
        EXPECT_EQ(options.pinnedReadouts, c.readouts) << label;
        EXPECT_EQ(options.gpus.nvidia, c.nvidia) << label;
        EXPECT_EQ(options.gpus.ati, c.ati) << label;
    }
}

TEST(Options, AffinityIsAKernelCpuList)
{
    const std::pair<const char*, uint64_t> accepted[] = {
        {"", 0}, {"0-1,4-5", 0x33}, {"3", 0x8}, {"0-31", 0xFFFFFFFF}, {"2,2-3", 0xC},
        {"32-63", 0xFFFFFFFF00000000},
    };
    for (auto [text, mask] : accepted) {
        sim::Options options;
        std::string error;
        EXPECT_TRUE(sim::Options::parseAffinity(text, options, error)) << text << ": " << error;
        EXPECT_EQ(options.allowedCpus.lowMask(), mask) << text;
    }
    for (const char* text : {"128", "1-0", "0-", "-1", "a", "0,,1", "0-1,", "0 1"}) {
        sim::Options options;
        std::string error;
        EXPECT_FALSE(sim::Options::fromVariables(nullptr, nullptr, nullptr, options, error, text)) << text;
        EXPECT_NE(error.find("SIMULATED_AFFINITY"), std::string::npos) << text;
    }
}

TEST(Options, GpusAreKeptForTheStandIns)
{
    sim::Options options;
    std::string error;
    ASSERT_TRUE(sim::Options::parseGpus("nvidia:1,ati:1", options, error));
    sim::SimulatedCreation created = sim::createSimulatedProcessor("i7-920", options);
    ASSERT_TRUE(created.processor);
    EXPECT_EQ(created.processor->simulatedGpus().nvidia, 1);
    EXPECT_EQ(created.processor->simulatedGpus().ati, 1);
}

std::string writeStat(const std::string& name, const std::string& text)
{
    std::string path = testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

TEST(HostLoad, BusyShareBetweenTwoSamplesPerCpu)
{
    std::string path = writeStat("stat_a",
                                 "cpu  300 0 100 600 0 0 0 0 0 0\n"
                                 "cpu0 100 0 50 300 0 0 0 0 0 0\n"
                                 "cpu1 200 0 50 300 0 0 0 0 0 0\n"
                                 "intr 12345\n");
    sim::HostLoad load(path);
    ASSERT_TRUE(load.sample());
    EXPECT_EQ(load.hostCpuCount(), 2);
    EXPECT_NEAR(load.load(0), 150.0 / 450.0, 1e-9) << "since boot before the second sample";
    // cpu0: 90 busy of 100; cpu1: idle (iowait counts as idle).
    std::ofstream(path) << "cpu  0 0 0 0 0 0 0 0\n"
                           "cpu0 180 0 60 310 0 0 0 0 0 0\n"
                           "cpu1 200 0 50 350 50 0 0 0 0 0\n";
    ASSERT_TRUE(load.sample());
    EXPECT_NEAR(load.load(0), 0.9, 1e-9);
    EXPECT_NEAR(load.load(1), 0.0, 1e-9);
    EXPECT_NEAR(load.load(2), 0.0, 1e-9) << "the host has no third CPU";
    std::remove(path.c_str());
    EXPECT_FALSE(load.sample());
    EXPECT_NEAR(load.load(0), 0.9, 1e-9) << "a failed read keeps the last figures";
}

TEST(HostLoad, TheRealProcStatIsReadable)
{
    sim::HostLoad load;
    ASSERT_TRUE(load.sample());
    EXPECT_GE(load.hostCpuCount(), 1);
    EXPECT_GE(load.load(0), 0.0);
    EXPECT_LE(load.load(0), 1.0);
}

} // namespace
