#include "sim/Topology.h"

#include "sim/ProcessorState.h"

namespace sim {

Topology::Topology(const Profile& profile)
{
    m_coreCount = profile.totalCores();
    m_threads.resize(static_cast<size_t>(m_coreCount));
    for (int package = 0; package < profile.packages; ++package) {
        for (int core = 0; core < profile.coresPerPackage; ++core) {
            int globalCore = package * profile.coresPerPackage + core;
            for (int thread = 0; thread < profile.threadsPerCore; ++thread) {
                LogicalCpu cpu;
                cpu.package = package;
                cpu.core = globalCore;
                cpu.coreInPackage = core;
                cpu.thread = thread;
                cpu.apicId = (uint32_t(package) << profile.packageShift)
                             | (uint32_t(profile.coreIds[static_cast<size_t>(core)]) << profile.threadShift)
                             | uint32_t(thread);
                m_threads[static_cast<size_t>(globalCore)].push_back(static_cast<int>(m_cpus.size()));
                m_cpus.push_back(cpu);
            }
        }
    }
}

uint64_t Topology::systemMask() const
{
    const int count = cpuCount() < MaxCpus ? cpuCount() : MaxCpus;
    return count == 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
}

} // namespace sim
