#pragma once
// The register images a processor comes out of reset with, as the firmware
// leaves them: SpeedStep requests, counter enables, turbo and power limits.

#include "sim/ProcessorModel.h"
#include "sim/ProcessorState.h"
#include "sim/Profile.h"

#include <vector>

namespace sim {

void applyPowerOnState(const Profile& profile, const CpuidFacts& facts, std::vector<CpuState>& cpus,
                       std::vector<PackageState>& packages);

} // namespace sim
