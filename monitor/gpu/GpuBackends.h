#pragma once
// Where the graphics sensors get their libraries: NVIDIA's management
// library and the amdgpu sysfs tree. The host's by default; simulated GPUs
// (SimulatedGpus.h) or test doubles otherwise.

#include "monitor/gpu/DrmTree.h"
#include "monitor/gpu/NvmlApi.h"

#include <functional>
#include <memory>
#include <string>

namespace monitor {

struct GpuBackends {
    // NVML; null when the library cannot be loaded.
    std::function<std::unique_ptr<NvmlApi>()> openNvml;
    // The tree of /sys/class/drm.
    std::function<std::shared_ptr<DrmTree>()> openDrm;

    // dlopen of the library at nvmlPath and the files under drmRoot.
    static GpuBackends host(std::string nvmlPath = "libnvidia-ml.so.1", std::string drmRoot = DiskDrmTree::SystemRoot);
};

} // namespace monitor
