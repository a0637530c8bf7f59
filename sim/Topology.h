#pragma once
// Where each logical CPU of a profile sits: its package, core and thread, and
// the initial APIC id the hardware gives it. Logical CPUs are numbered in
// ascending APIC id order, as the firmware lists them, or in the order a
// profile lists them.

#include "platform/CpuSet.h"
#include "sim/Profile.h"

#include <cstdint>
#include <vector>

namespace sim {

struct LogicalCpu {
    int package = 0;
    int core = 0;          // core index over the whole system, 0 .. totalCores-1
    int coreInPackage = 0;
    int thread = 0;
    uint32_t apicId = 0;   // the x2APIC id; leaf 1 reports its low 8 bits
    int coreGroup = -1;    // index into Profile::coreDumps; -1: the profile's main dump
};

class Topology {
public:
    explicit Topology(const Profile& profile);

    int cpuCount() const { return static_cast<int>(m_cpus.size()); }
    int coreCount() const { return m_coreCount; }
    const LogicalCpu& cpu(int n) const { return m_cpus[static_cast<size_t>(n)]; }
    // The logical CPUs of core c, in thread order.
    const std::vector<int>& threadsOfCore(int core) const { return m_threads[static_cast<size_t>(core)]; }
    // Every logical CPU.
    platform::CpuSet allCpus() const;

private:
    // The layout of a profile that lists every CPU's APIC id.
    void layOutListed(const Profile& profile);

    std::vector<LogicalCpu> m_cpus;
    std::vector<std::vector<int>> m_threads;
    int m_coreCount = 0;
};

} // namespace sim
