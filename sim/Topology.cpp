#include "sim/Topology.h"

#include <algorithm>

namespace sim {

Topology::Topology(const Profile& profile)
{
    if (!profile.apicIds.empty()) {
        layOutListed(profile);
        return;
    }
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

void Topology::layOutListed(const Profile& profile)
{
    // Cores in the order their first thread is listed, numbered within
    // their package in that order too.
    std::vector<uint32_t> coreKeys;
    std::vector<int> coresInPackage(static_cast<size_t>(profile.packages), 0);
    for (uint32_t apicId : profile.apicIds) {
        const uint32_t key = apicId >> profile.threadShift;
        const auto found = std::find(coreKeys.begin(), coreKeys.end(), key);
        LogicalCpu cpu;
        cpu.package = static_cast<int>(apicId >> profile.packageShift);
        cpu.thread = static_cast<int>(apicId & ((1u << profile.threadShift) - 1));
        cpu.apicId = apicId;
        for (size_t group = 0; group < profile.coreDumps.size(); ++group) {
            const std::vector<uint32_t>& ids = profile.coreDumps[group].apicIds;
            if (std::find(ids.begin(), ids.end(), apicId) != ids.end())
                cpu.coreGroup = static_cast<int>(group);
        }
        if (found == coreKeys.end()) {
            cpu.core = static_cast<int>(coreKeys.size());
            cpu.coreInPackage = coresInPackage[static_cast<size_t>(cpu.package)]++;
            coreKeys.push_back(key);
            m_threads.emplace_back();
        } else {
            cpu.core = static_cast<int>(found - coreKeys.begin());
            cpu.coreInPackage = m_cpus[static_cast<size_t>(m_threads[static_cast<size_t>(cpu.core)].front())].coreInPackage;
        }
        m_threads[static_cast<size_t>(cpu.core)].push_back(static_cast<int>(m_cpus.size()));
        m_cpus.push_back(cpu);
    }
    m_coreCount = static_cast<int>(coreKeys.size());
}

platform::CpuSet Topology::allCpus() const { return platform::CpuSet::range(0, cpuCount() - 1); }

} // namespace sim
