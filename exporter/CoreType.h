#pragma once
// The core type of a hybrid processor's logical CPU, from CPUID.

#include "platform/Processor.h"

#include <string>

namespace exporter {

// "P" for a performance core, "E" for an efficiency core, empty where the
// processor has one kind of core only or does not say. Runs CPUID on the
// calling thread's CPU: pin it first.
std::string coreTypeOfCurrentCpu(platform::Processor& processor);

} // namespace exporter
