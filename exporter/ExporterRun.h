#pragma once
// The exporter's run: start the sampler, then sample every interval and hand
// each sample's text to the textfile and the HTTP listener until SIGTERM or
// SIGINT; or, with --once, one sample written out.

#include "exporter/ExporterOptions.h"

#include "monitor/gpu/GpuBackends.h"
#include "platform/Processor.h"

#include <memory>

namespace exporter {

// Exit statuses besides 0.
constexpr int ExitStartFailed = 1;   // the registers, the processor or the listener
constexpr int ExitBadArguments = 2;  // the command line or the simulated processor's variables

// Needs a QCoreApplication for everything but --once.
int runExporter(const ExporterOptions& options, std::shared_ptr<platform::Processor> processor,
                monitor::GpuBackends gpus, const char* program);

} // namespace exporter
