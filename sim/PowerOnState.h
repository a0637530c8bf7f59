#pragma once
// The register images a processor comes out of reset with, as the firmware
// leaves them: SpeedStep requests, counter enables, turbo and power limits.

#include "sim/ProcessorModel.h"
#include "sim/ProcessorState.h"
#include "sim/Profile.h"

#include <span>

namespace sim {

void applyPowerOnState(const Profile& profile, const CpuidFacts& facts, std::span<CpuState> cpus,
                       std::span<PackageState> packages);

} // namespace sim
