// SIMULATED_LOAD=host: the host's CPUs load the simulated cores one core at
// a time, Hyper-Threading siblings last, so one busy host thread shows the
// one-core turbo bin.

#include "SimTestSupport.h"

#include "sim/HostLoadSource.h"

namespace {

using simtest::Rig;

class ScriptedHostLoad : public sim::HostLoadSource {
public:
    explicit ScriptedHostLoad(std::vector<double> loads) : m_loads(std::move(loads)) {}
    bool sample() override { return true; }
    double load(int hostCpu) const override
    {
        return hostCpu >= 0 && hostCpu < hostCpuCount() ? m_loads[static_cast<size_t>(hostCpu)] : 0.0;
    }
    int hostCpuCount() const override { return static_cast<int>(m_loads.size()); }

    std::vector<double> m_loads;
};

struct Mapping {
    const char* label;
    std::vector<double> host;     // busy share of each host CPU
    std::vector<int> busy;        // the simulated CPUs of the i7-2600K that carry it
    unsigned ratio;               // the package's ratio
};

class HostLoadMapping : public testing::TestWithParam<Mapping> {};

TEST_P(HostLoadMapping, OneCoreAtATime)
{
    const Mapping& c = GetParam();
    sim::Options options;
    options.loadMode = sim::LoadMode::Host;
    options.hostLoad = std::make_shared<ScriptedHostLoad>(c.host);
    Rig rig("i7-2600k", options);
    for (int cpu = 0; cpu < rig.cpu->cpuCount(); ++cpu) {
        bool busy = std::find(c.busy.begin(), c.busy.end(), cpu) != c.busy.end();
        if (busy)
            EXPECT_DOUBLE_EQ(rig.cpu->load(cpu), 1.0) << "cpu " << cpu;
        else
            EXPECT_LE(rig.cpu->load(cpu), sim::BusyFloorShare) << "cpu " << cpu;
    }
    EXPECT_EQ(msr::perf_status::OperatingRatio.get(rig.read(0, msr::IA32_PERF_STATUS)), c.ratio);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostLoadMapping,
    testing::Values(Mapping{"OneBusyThread", {1, 0, 0, 0, 0, 0, 0, 0}, {0}, 38},
                    Mapping{"SecondHostCpu", {0, 1, 0, 0, 0, 0, 0, 0}, {2}, 38},
                    Mapping{"FourBusyThreads", {1, 1, 1, 1, 0, 0, 0, 0}, {0, 2, 4, 6}, 35},
                    Mapping{"FifthHostCpuIsASibling", {0, 0, 0, 0, 1, 0, 0, 0}, {1}, 38},
                    Mapping{"TwoCpuHost", {1, 1}, {0, 2}, 37},
                    Mapping{"SixteenCpuHost", std::vector<double>(16, 1.0), {0, 1, 2, 3, 4, 5, 6, 7}, 35}),
    [](const testing::TestParamInfo<Mapping>& info) { return std::string(info.param.label); });

TEST(HostLoadMapping, FollowsTheHostAsItChanges)
{
    auto host = std::make_shared<ScriptedHostLoad>(std::vector<double>{0, 0, 0, 0});
    sim::Options options;
    options.loadMode = sim::LoadMode::Host;
    options.hostLoad = host;
    Rig rig("q6600", options);
    EXPECT_LE(rig.cpu->load(3), sim::BusyFloorShare);
    host->m_loads[3] = 0.6;
    rig.clock->advanceSeconds(1.0);
    EXPECT_DOUBLE_EQ(rig.cpu->load(3), 0.6);
}

} // namespace
