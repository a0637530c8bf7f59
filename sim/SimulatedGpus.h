#pragma once
// Simulated graphics processors for runs without the hardware: NVIDIA GPUs
// behind the NVML interface and AMD cards as an amdgpu sysfs tree, so the
// driver-API and display-library stand-ins above them run unchanged. Their
// temperatures follow the load they are given (the simulated processor's):
// an idle GPU sits near 38 °C, a fully loaded one near 85 °C, each further
// GPU 2 °C warmer than the one before.

#include "platform/DrmTree.h"
#include "platform/NvmlApi.h"

#include <functional>
#include <memory>

namespace sim {

// The load the GPUs follow, 0 to 1.
using GpuLoad = std::function<double()>;

// Temperature of simulated GPU `index` at a load, in thousandths of a degree.
int simulatedGpuMillidegrees(int index, double load);

std::unique_ptr<platform::NvmlApi> makeSimulatedNvml(int gpus, GpuLoad load);
std::shared_ptr<platform::DrmTree> makeSimulatedDrmTree(int cards, GpuLoad load);

} // namespace sim
