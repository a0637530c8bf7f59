#pragma once
// Where the graphics sensors get their libraries: NVIDIA's management
// library and the amdgpu sysfs tree. The host's by default; simulated GPUs
// (sim/SimulatedGpus.h) or test doubles otherwise.

#include "platform/DrmTree.h"
#include "platform/NvmlApi.h"

#include <functional>
#include <memory>
#include <string>

namespace monitor {

struct GpuBackends {
    // NVML; null when the library cannot be loaded.
    std::function<std::unique_ptr<platform::NvmlApi>()> openNvml;
    // The tree of /sys/class/drm.
    std::function<std::shared_ptr<platform::DrmTree>()> openDrm;

    // dlopen of the library at nvmlPath and the files under drmRoot.
    static GpuBackends host(std::string nvmlPath = "libnvidia-ml.so.1", std::string drmRoot = platform::DiskDrmTree::SystemRoot);
};

} // namespace monitor
