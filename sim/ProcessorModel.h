#pragma once
// The physics of a simulated processor: which ratio each package runs at,
// how the counters advance with load, ratio and clock modulation, how each
// core's temperature follows its power with a first-order lag, and how much
// energy each package draws. State advances lazily: advance(now) integrates
// everything over the time since the previous call, with the loads and
// register settings that held during that time.

#include "sim/HostLoad.h"
#include "sim/Options.h"
#include "sim/ProcessorState.h"
#include "sim/Profile.h"
#include "sim/Topology.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

// What the processor's CPUID says about its counters and clock modulation.
struct CpuidFacts {
    int generalCounters = 2;            // leaf 0x0A EAX[15:8]
    unsigned generalWidth = 40;         // leaf 0x0A EAX[23:16]
    unsigned fixedWidth = 40;           // leaf 0x0A EDX[12:5]
    bool extendedClockModulation = false; // leaf 6 EAX bit 5: duty in sixteenths
};

class ProcessorModel {
public:
    ProcessorModel(const Profile& profile, const Options& options, CpuidFacts facts, int64_t nowNanoseconds);

    const Profile& profile() const { return m_profile; }
    const Topology& topology() const { return m_topology; }
    const CpuidFacts& facts() const { return m_facts; }

    // Integrates counters, temperatures and energy up to now.
    void advance(int64_t nowNanoseconds);
    // Settles the ratios again after a register or load change (call after advance()).
    void settle();

    CpuState& cpu(int n) { return m_cpus[static_cast<size_t>(n)]; }
    CoreState& core(int c) { return m_cores[static_cast<size_t>(c)]; }
    PackageState& package(int p) { return m_packages[static_cast<size_t>(p)]; }
    PackageState& packageOf(int cpu) { return package(m_topology.cpu(cpu).package); }

    // A test's load for one CPU (0..100 %), or back to the configured source.
    void setLoadOverride(int cpu, std::optional<double> percent);
    double loadFraction(int cpu) const { return m_cpus[static_cast<size_t>(cpu)].loadFraction; }

    // Ratio the package runs at now, in tenths.
    int packageRatioTenths(int package) const { return m_packageRatio[static_cast<size_t>(package)]; }
    // True while turbo (or Core 2 dynamic acceleration) may engage on the package.
    bool turboAllowed(int package) const;
    // Share of time on-demand clock modulation lets the CPU run, 0..1.
    double duty(int cpu) const;
    double volts(int ratioTenths) const;

    int readout(int core) const;
    double tscHz() const;
    uint64_t tsc(int cpu, int64_t nowNanoseconds) const;
    // Energy units per joule of MSR_PKG_ENERGY_STATUS.
    double energyUnitsPerJoule() const;

private:
    double configuredLoad(int cpu) const;
    void refreshLoads();
    double coreActivity(int core) const;
    int requestedRatioTenths(int package) const;
    int turboRatioTenths(int package) const;
    double powerLimitWatts(int package) const;
    double powerScale(int ratioTenths) const;
    double packageWatts(int package, int ratioTenths) const;
    int chooseRatio(int package) const;
    double steadyCelsius(int core) const;
    void countCycles(int cpu, double seconds);

    const Profile& m_profile;
    Topology m_topology;
    CpuidFacts m_facts;
    Options m_options;
    HostLoad m_hostLoad;
    int64_t m_hostSampledAt = 0;
    int64_t m_epoch = 0;
    int64_t m_last = 0;

    std::vector<CpuState> m_cpus;
    std::vector<CoreState> m_cores;
    std::vector<PackageState> m_packages;
    std::vector<int> m_packageRatio;
};

} // namespace sim
