// Sparvel: the turbo monitor. One main window; the program ends with it.
// The processor is the host's own, or the simulated one SIMULATED_CPU names.

#include "app/ExitStatus.h"
#include "backend/ProcessorSelection.h"
#include "platform/ProgramPath.h"
#include "platform/ProgramPlaces.h"
#include "turbo/window/TurboMonitorRun.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    backend::ProcessorSelection selection = backend::selectProcessor();
    if (!selection.ok()) {
        std::fprintf(stderr, "Sparvel: %s\n", selection.error.c_str());
        return app::ExitBadEnvironment;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sparvel"));

    turbo::TurboMonitorOptions options;
    const platform::ProgramPlaces places = platform::prepareProgramPlaces(platform::programPath());
    if (!places.logFolder.empty())
        options.logDirectory = places.logFolder;
    options.settingsPath = places.settingsFile;
    return turbo::runTurboMonitor(*selection.processor, std::move(options));
}
