#pragma once
// The one place that chooses the processor backend for a program: the
// simulated processor named by SIMULATED_CPU, or the host's own registers
// when it is unset or empty. Programs print the error of a failed selection
// and exit with a non-zero status.

#include "platform/Processor.h"

#include <functional>
#include <memory>
#include <string>

namespace sim {
class SimulatedProcessor;
}

namespace backend {

// Looks an environment variable up; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;
const char* processEnvironment(const char* name);

struct ProcessorSelection {
    std::unique_ptr<platform::Processor> processor; // null when the selection failed
    sim::SimulatedProcessor* simulated = nullptr;   // the same object, when it is simulated
    std::string error;                              // why it failed; lists the profiles for an unknown name

    bool ok() const { return processor != nullptr; }
};

// SIMULATED_CPU set: that profile, with SIMULATED_LOAD, SIMULATED_READOUT,
// SIMULATED_GPU, SIMULATED_AFFINITY and SIMULATED_AUDIT, on the shared
// simulated machine SIMULATED_MACHINE names ("default" when unset or empty);
// unset or empty: platform::LinuxProcessor when the msr device files can be
// read, else platform::HelperProcessor when the helper is installed.
ProcessorSelection selectProcessor(const EnvironmentLookup& environment = processEnvironment);

// True when SIMULATED_CPU names something (valid or not).
bool simulatedRequested(const EnvironmentLookup& environment = processEnvironment);

// The simulated processor behind the seam, or null for real hardware.
sim::SimulatedProcessor* simulatedProcessor(platform::Processor& processor);

} // namespace backend
