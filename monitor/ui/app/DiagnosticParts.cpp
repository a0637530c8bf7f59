#include "monitor/ui/app/DiagnosticParts.h"

#include "monitor/diag/window/BenchRun.h"
#include "monitor/diag/window/SensorTestDialog.h"
#include "monitor/ui/desktop/CompositionEnabled.h"

#include <QGuiApplication>
#include <QScreen>

namespace monitor {

void attachDiagnostics(MainDialogParts& parts, DocumentOpener& opener)
{
    parts.bench = [](MainDialog& window) {
        MonitorBenchClocks clocks(window.records());
        BenchStopRequest stop{[&window] { return window.stopRequested(); }, [&window] { window.clearStopRequest(); }};
        BenchRun(window, window.records(), clocks, std::move(stop)).run();
    };
    parts.sensorTest = [&opener](MainDialog& window) {
        SensorTestEnvironment environment;
        environment.openAddress = [&opener](const std::string& address) { opener.open(address); };
        environment.composition = CompositionEnabled();
        const QScreen* screen = QGuiApplication::primaryScreen();
        const int screenWidth = screen ? screen->geometry().width() : 0;
        SensorTestDialog::runFrom(window, window.records(), screenWidth, std::move(environment));
    };
}

} // namespace monitor
