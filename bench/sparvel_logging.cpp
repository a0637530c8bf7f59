// Sparvel with its log switched on as soon as the window runs, for
// bench/sparvel_cost.sh --log: the program's own main() but for the click on
// "Log" (the log state is not kept in the settings file).

#include "backend/ProcessorSelection.h"
#include "platform/ProgramPath.h"
#include "platform/ProgramPlaces.h"
#include "turbo/window/TurboMonitorRun.h"

#include <QAbstractButton>
#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    backend::ProcessorSelection selection = backend::selectProcessor();
    if (!selection.ok()) {
        std::fprintf(stderr, "sparvel_logging: %s\n", selection.error.c_str());
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sparvel"));
    turbo::TurboMonitorOptions options;
    const platform::ProgramPlaces places = platform::prepareProgramPlaces(platform::programPath());
    if (!places.logFolder.empty())
        options.logDirectory = places.logFolder;
    options.settingsPath = places.settingsFile;
    return turbo::runTurboMonitor(*selection.processor, std::move(options), [](turbo::TurboMonitorDialog& window) {
        if (auto* log = qobject_cast<QAbstractButton*>(window.control(turbo::IdLog)))
            log->click();
    });
}
