#include "turbo/window/TurboMonitorRun.h"

#include "dialog/TerminationSignals.h"
#include "platform/AccessStatus.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace turbo {

int runTurboMonitor(platform::Processor& processor, TurboMonitorOptions options,
                    const std::function<void(TurboMonitorDialog&)>& running)
{
    // Installed before the window, so it outlives the window's shutdown and a
    // signal during the start-up ends the program as soon as the window runs.
    dialog::TerminationSignals termination;

    TurboMonitorDialog window(processor, std::move(options));
    QObject::connect(&termination, &dialog::TerminationSignals::requested, &window,
                     [&window](int) { window.runCommand(CmdTrayExit); });
    if (!window.start()) {
        if (dialog::TerminationSignals::wasRequested())
            return ExitNormal;
        const std::string hint = platform::statusHint(processor.status());
        if (!hint.empty())
            std::fprintf(stderr, "Sparvel: %s\n", hint.c_str());
        return ExitStartupFailed;
    }
    if (running)
        QTimer::singleShot(0, &window, [&window, &running] { running(window); });
    window.runModal();
    return ExitNormal;
}

} // namespace turbo
