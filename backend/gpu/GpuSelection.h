#pragma once
// The graphics backends that go with the processor selection: on a simulated
// processor the GPUs SIMULATED_GPU asks for (none when it is unset), whose
// temperatures follow the simulated processor's load; on real hardware the
// host's NVML library and /sys/class/drm.

#include "monitor/gpu/GpuBackends.h"

namespace sim {
class SimulatedProcessor;
}

namespace backend {

monitor::GpuBackends selectGpuBackends(sim::SimulatedProcessor* simulated);

} // namespace backend
