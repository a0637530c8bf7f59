// Ostrel: the temperature monitor; OstrelHX, the same program compiled with
// OSTREL_SIX_CORE for six cores, and OstrelXL, compiled with OSTREL_MANY_CORE
// for every core of the processor. The processor is the host's own, or the
// simulated one that SIMULATED_CPU names; the settings file lies beside the
// program (Ostrel.ini, OstrelHX.ini, OstrelXL.ini). The program ends when its
// main window closes.

#include "app/ExitStatus.h"
#include "hw/BuildFlavour.h"
#include "backend/gpu/GpuSelection.h"
#include "backend/ProcessorSelection.h"
#include "monitor/ui/app/MonitorApp.h"
#include "platform/ProgramPath.h"
#include "platform/ProgramPlaces.h"

#include <QApplication>

#include <cstdio>

namespace {

constexpr const char* ProgramName = hw::ThisBuild.programName;

} // namespace

int main(int argc, char** argv)
{
    // Chosen before the toolkit starts, so a wrong SIMULATED_CPU is reported
    // even without a display.
    backend::ProcessorSelection selection = backend::selectProcessor();
    if (!selection.ok()) {
        std::fprintf(stderr, "%s: %s\n", ProgramName, selection.error.c_str());
        return app::ExitBadEnvironment;
    }

    // The window repaints a few small fields once a second. With shared-memory
    // images, X11 makes each paint wait for the server to finish the previous
    // one, a round trip and a wake-up per tick that a window this small gains
    // nothing from. A user's own setting stands.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(ProgramName));
    const platform::ProgramPlaces places = platform::prepareProgramPlaces(platform::programPath());
    monitor::GpuBackends gpus = backend::selectGpuBackends(selection.simulated);
    monitor::MonitorApp monitorApp(std::move(selection.processor), hw::ThisBuild, places.settingsFile);
    monitorApp.setGpuBackends(std::move(gpus));
    monitorApp.setLogFolder(places.logFolder);
    return monitorApp.run();
}
