#include "backend/gpu/GpuSelection.h"

#include "sim/SimulatedGpus.h"
#include "sim/SimulatedProcessor.h"

namespace backend {

monitor::GpuBackends selectGpuBackends(sim::SimulatedProcessor* simulated)
{
    if (simulated == nullptr)
        return monitor::GpuBackends::host();
    const sim::GpuCounts counts = simulated->simulatedGpus();
    // The average load of the simulated logical CPUs.
    const sim::GpuLoad load = [simulated] {
        const int cpus = simulated->cpuCount();
        double sum = 0;
        for (int cpu = 0; cpu < cpus; ++cpu)
            sum += simulated->load(cpu);
        return cpus > 0 ? sum / cpus : 0.0;
    };
    monitor::GpuBackends backends;
    backends.openNvml = [counts, load]() -> std::unique_ptr<platform::NvmlApi> {
        if (counts.nvidia == 0)
            return nullptr; // no NVIDIA driver on this machine
        return sim::makeSimulatedNvml(counts.nvidia, load);
    };
    backends.openDrm = [counts, load]() -> std::shared_ptr<platform::DrmTree> {
        return sim::makeSimulatedDrmTree(counts.ati, load);
    };
    return backends;
}

} // namespace backend
