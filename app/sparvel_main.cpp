// Sparvel: the turbo monitor. One modal window; the program ends with it.
// The processor is the host's own, or the simulated one SIMULATED_CPU names.

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

    turbo::TurboMonitorOptions options;
    options.settingsPath = platform::settingsPathFor(platform::programPath());
    turbo::TurboMonitorDialog window(*selection.processor, std::move(options));
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
