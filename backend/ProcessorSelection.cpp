#include "backend/ProcessorSelection.h"

#include "platform/HelperProcessor.h"
#include "platform/LinuxProcessor.h"
#include "sim/Options.h"
#include "sim/SimulatedProcessor.h"

#include <cstdlib>

namespace backend {

const char* processEnvironment(const char* name) { return std::getenv(name); }

bool simulatedRequested(const EnvironmentLookup& environment)
{
    const char* name = environment("SIMULATED_CPU");
    return name && *name;
}

ProcessorSelection selectProcessor(const EnvironmentLookup& environment)
{
    ProcessorSelection selection;
    if (!simulatedRequested(environment)) {
        // The registers directly when this process may open them (root, or
        // CAP_SYS_RAWIO with access to the device files); else through the
        // privileged helper when it is installed; else directly again, which
        // then fails at start-up with its status and hint.
        if (!platform::LinuxProcessor::hostHasReadableMsr() && platform::HelperProcessor::installed())
            selection.processor = std::make_unique<platform::HelperProcessor>();
        else
            selection.processor = std::make_unique<platform::LinuxProcessor>();
        return selection;
    }
    sim::Options options;
    std::string error;
    if (!sim::Options::fromVariables(environment("SIMULATED_LOAD"), environment("SIMULATED_READOUT"),
                                     environment("SIMULATED_GPU"), options, error,
                                     environment("SIMULATED_AFFINITY"))) {
        selection.error = error;
        return selection;
    }
    if (const char* audit = environment("SIMULATED_AUDIT"))
        options.auditPath = audit;
    options.auditRecords = options.auditPath.empty() ? sim::AuditRecords::Dropped : sim::AuditRecords::Kept;
    // Programs on one host share one simulated machine per profile unless
    // SIMULATED_MACHINE names another.
    const char* machine = environment("SIMULATED_MACHINE");
    options.machineName = machine && *machine ? machine : "default";
    sim::SimulatedCreation created = sim::createSimulatedProcessor(environment("SIMULATED_CPU"), options);
    if (!created.processor) {
        selection.error = "SIMULATED_CPU: " + created.error;
        return selection;
    }
    selection.simulated = created.processor.get();
    selection.processor = std::move(created.processor);
    return selection;
}

sim::SimulatedProcessor* simulatedProcessor(platform::Processor& processor)
{
    return dynamic_cast<sim::SimulatedProcessor*>(&processor);
}

} // namespace backend
