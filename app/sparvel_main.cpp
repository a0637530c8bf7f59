// Sparvel: the turbo monitor. One modal window; the program ends with it.
// The processor is the host's own, or the simulated one SIMULATED_CPU names.
// SIGTERM, SIGINT and SIGHUP end the window like its Exit command, so the
// log and the settings are written on the way out.

#include "dialog/TerminationSignals.h"
#include "hw/ProcessorSelection.h"
#include "platform/AccessStatus.h"
#include "platform/ProgramPath.h"
#include "turbo/TurboMonitorDialog.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    hw::ProcessorSelection selection = hw::selectProcessor();
    if (!selection.ok()) {
        std::fprintf(stderr, "Sparvel: %s\n", selection.error.c_str());
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sparvel"));

    // Installed before the window, so it outlives the window's shutdown and a
    // signal during the start-up ends the program as soon as the window runs.
    dialog::TerminationSignals termination;

    turbo::TurboMonitorOptions options;
    options.settingsPath = platform::settingsPathFor(platform::programPath());
    turbo::TurboMonitorDialog window(*selection.processor, std::move(options));
    QObject::connect(&termination, &dialog::TerminationSignals::requested, &window,
                     [&window](int) { window.runCommand(turbo::CmdTrayExit); });
    if (!window.start()) {
        int status = selection.processor->status();
        std::string hint = platform::statusHint(status);
        if (!hint.empty())
            std::fprintf(stderr, "Sparvel: %s\n", hint.c_str());
        return 1;
    }
    window.runModal();
    return 0;
}
