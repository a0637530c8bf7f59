// Ostrel: the temperature monitor. The processor is the host's own, or the
// simulated one that SIMULATED_CPU names; the settings file lies beside the
// program. The program ends when its main window closes.

#include "hw/BuildFlavour.h"
#include "hw/ProcessorSelection.h"
#include "monitor/ui/MonitorApp.h"
#include "platform/ProgramPath.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    // Chosen before the toolkit starts, so a wrong SIMULATED_CPU is reported
    // even without a display.
    hw::ProcessorSelection selection = hw::selectProcessor();
    if (!selection.ok()) {
        std::fprintf(stderr, "Ostrel: %s\n", selection.error.c_str());
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrel"));
    monitor::MonitorApp monitorApp(*selection.processor, hw::ThisBuild,
                                   platform::settingsPathFor(platform::programPath()));
    return monitorApp.run();
}
