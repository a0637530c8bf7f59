// ostrel-exporter: the monitor's measurements for Prometheus, without a
// window. The processor is the host's own, or the simulated one that
// SIMULATED_CPU names.

#include "backend/ProcessorSelection.h"
#include "backend/gpu/GpuSelection.h"
#include "exporter/ExporterOptions.h"
#include "exporter/ExporterRun.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* ProgramName = "ostrel-exporter";

} // namespace

int main(int argc, char** argv)
{
    const exporter::ParsedOptions parsed = exporter::parseExporterOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.outcome == exporter::ParseOutcome::Help) {
        std::fputs(exporter::exporterUsage(ProgramName).c_str(), stdout);
        return 0;
    }
    if (parsed.outcome == exporter::ParseOutcome::Error) {
        std::fprintf(stderr, "%s: %s\n", ProgramName, parsed.error.c_str());
        return exporter::ExitBadArguments;
    }
    backend::ProcessorSelection selection = backend::selectProcessor();
    if (!selection.ok()) {
        std::fprintf(stderr, "%s: %s\n", ProgramName, selection.error.c_str());
        return exporter::ExitBadArguments;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(ProgramName));
    monitor::GpuBackends gpus = backend::selectGpuBackends(selection.simulated);
    return exporter::runExporter(parsed.options, std::move(selection.processor), std::move(gpus), ProgramName);
}
