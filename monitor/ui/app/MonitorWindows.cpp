#include "monitor/ui/app/MonitorWindows.h"

#include "dialog/StandardIds.h"
#include "monitor/controls/window/LimitsWindow.h"
#include "monitor/diag/window/BenchRun.h"
#include "monitor/diag/window/PluginInstaller.h"
#include "monitor/diag/window/SensorTestDialog.h"
#include "monitor/settings/ProcessorFacts.h"
#include "monitor/settings/window/SettingsDialog.h"
#include "monitor/ui/app/AboutDialog.h"
#include "monitor/ui/desktop/CompositionEnabled.h"
#include "monitor/ui/desktop/DocumentOpener.h"
#include "monitor/ui/main/MainDialog.h"

#include <QGuiApplication>
#include <QScreen>

namespace monitor {

bool MonitorWindows::settingsWindow(MainDialog& window)
{
    SettingsDialogHooks hooks;
    hooks.icons = m_icons;
    hooks.composition = CompositionEnabled();
    hooks.createNvidiaSensor = [&window] { return window.enableNvidiaSensor(); };
    hooks.createAtiSensor = [&window] { return window.enableAtiSensor(); };
    hooks.installPlugin = [&window](dialog::DialogWindow& owner, const std::string& rivaFile) {
        return std::optional<std::string>(runPluginInstaller(owner, rivaFile, window.settings(),
                                                             processorFacts(window.records().info),
                                                             window.records().layout));
    };
    SettingsDialog settings(window, std::move(hooks));
    return settings.runModal() == dialog::IDOK;
}

void MonitorWindows::sensorTest(MainDialog& window)
{
    SensorTestEnvironment environment;
    environment.openAddress = [&opener = m_opener](const std::string& address) { opener.open(address); };
    environment.composition = CompositionEnabled();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 0;
    SensorTestDialog::runFrom(window, window.records(), screenWidth, std::move(environment));
}

void MonitorWindows::bench(MainDialog& window)
{
    MonitorBenchClocks clocks(window.records());
    BenchStopRequest stop{[&window] { return window.stopRequested(); }, [&window] { window.clearStopRequest(); }};
    BenchRun(window, window.records(), clocks, std::move(stop)).run();
}

void MonitorWindows::aboutBox(MainDialog& window)
{
    AboutDialog about(window.records().info.modelName, window.records().info.signature, m_opener, &window);
    about.setServices(window.services());
    about.runModal();
}

void MonitorWindows::limitsWindow(MainDialog& window)
{
    runLimitsWindow(window.records(), window);
}

} // namespace monitor
