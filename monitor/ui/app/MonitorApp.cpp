#include "monitor/ui/app/MonitorApp.h"

#include "dialog/StandardIds.h"
#include "dialog/TerminationSignals.h"
#include "monitor/controls/window/LimitsWindow.h"
#include "monitor/diag/window/PluginInstaller.h"
#include "monitor/settings/ProcessorFacts.h"
#include "monitor/settings/window/SettingsDialog.h"
#include "monitor/ui/app/AboutDialog.h"
#include "monitor/ui/desktop/CanberraSoundPlayer.h"
#include "monitor/ui/desktop/CompositionEnabled.h"
#include "monitor/ui/placement/DateHover.h"
#include "monitor/ui/app/DiagnosticParts.h"
#include "monitor/ui/desktop/DocumentOpener.h"
#include "monitor/ui/app/GpuAttachment.h"
#include "monitor/ui/tray/IconMenu.h"
#include "monitor/ui/placement/MainContextMenu.h"
#include "monitor/ui/tray/NotificationAreaWatcher.h"
#include "monitor/ui/tray/NotificationIcons.h"
#include "monitor/ui/desktop/QtScreenList.h"
#include "monitor/ui/desktop/SleepWatcher.h"
#include "monitor/ui/placement/WindowPlacement.h"
#include "platform/AccessStatus.h"

#include <QCoreApplication>

#include <cstdio>

namespace monitor {

MonitorApp::MonitorApp(std::shared_ptr<platform::Processor> processor, const hw::BuildFlavour& flavour,
                       std::string iniPath, dialog::DialogServices& services)
    : m_processor(std::move(processor)), m_flavour(flavour), m_iniPath(std::move(iniPath)), m_services(services)
{
}

MonitorApp::MonitorApp(platform::Processor& processor, const hw::BuildFlavour& flavour, std::string iniPath,
                       dialog::DialogServices& services)
    : MonitorApp(UnownedProcessor(processor), flavour, std::move(iniPath), services)
{
}

int MonitorApp::run()
{
    MonitorRecords records(m_processor, m_flavour, m_iniPath);
    records.logFolder = m_logFolder;
    // The window's place on the desktop, its context menu and date pop-up,
    // unless the caller plugged in its own.
    QtScreenList screens;
    WindowPlacement placement(screens, CompositionEnabled());
    MainContextMenu contextMenu(placement);
    DateHover dateHover(placement);
    MainDialogParts parts = m_parts;
    if (!parts.restoreWindowPosition && !parts.toggleMiniMode)
        placement.attachTo(parts);
    if (!parts.contextMenu)
        contextMenu.attachTo(parts);
    if (!parts.hovered)
        dateHover.attachTo(parts);
    // The notification-area icons with their menu, and the alarm's file and sound.
    NotificationIcons icons(NotificationIcons::desktopIcons());
    IconMenu iconMenu(icons, placement);
    iconMenu.attachTo(icons);
    if (!parts.addIcons && !parts.updateIcons && !parts.updateMaxIcon && !parts.removeIcons && !parts.probeIcons)
        icons.attachTo(parts);
    // The graphics sensors, their windows behind the GPU button and the
    // Settings window's switches for them.
    GpuAttachment gpu(records, m_gpuBackends);
    StartupHooks startupHooks = m_startupHooks;
    gpu.attachTo(parts, startupHooks);
    DesktopDocumentOpener opener;
    CanberraSoundPlayer sound;
    // The benchmark and the sensor test.
    if (!parts.bench && !parts.sensorTest)
        attachDiagnostics(parts, opener);
    if (!parts.openAlarmFile)
        parts.openAlarmFile = [&opener](const std::string& file) { return opener.open(file); };
    if (!parts.playSound)
        parts.playSound = [&sound](const std::string& file) { sound.play(file); };
    if (!parts.settingsWindow)
        parts.settingsWindow = [&icons](MainDialog& window) {
            SettingsDialogHooks hooks;
            hooks.icons = &icons;
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
        };
    if (!parts.aboutBox)
        parts.aboutBox = [&opener](MainDialog& window) {
            AboutDialog about(window.records().info.modelName, window.records().info.signature, opener, &window);
            about.setServices(window.services());
            about.runModal();
        };
    if (!parts.limitsWindow)
        parts.limitsWindow = [](MainDialog& window) { runLimitsWindow(window.records(), window); };
    MainDialog window(records, std::move(parts));
    window.setServices(m_services);

    // Installed before the start-up: a signal during it ends the program as
    // soon as the window runs.
    dialog::TerminationSignals termination;
    QObject::connect(&termination, &dialog::TerminationSignals::requested, &window,
                     [&window](int) { window.endProgram(); });
    // A panel that starts after the program gets the icons then.
    NotificationAreaWatcher areaWatcher([&icons, &window] { icons.notificationAreaAppeared(window); });
    SleepWatcher sleepWatcher;
    QObject::connect(&sleepWatcher, &SleepWatcher::suspending, &window, [&window] { window.systemSuspending(); });
    QObject::connect(&sleepWatcher, &SleepWatcher::resumed, &window, [&window] { window.systemResumed(); });

    m_outcome = window.initialise(startupHooks);
    if (*m_outcome != StartupOutcome::Running) {
        if (*m_outcome == StartupOutcome::DriverError) {
            const std::string hint = platform::statusHint(records.driverStatus);
            if (!hint.empty())
                std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), hint.c_str());
        }
        ReleaseAfterFailedStartup(records);
        // Ended by a termination signal during the start-up (for example
        // while its error box was open): a requested end, not a failure.
        return dialog::TerminationSignals::wasRequested() ? ExitNormal : ExitStartupFailed;
    }

    gpu.connectCycle();

    window.runModal();

    const ExitState exitState = window.finishForShutdown();
    ShutdownHooks hooks;
    hooks.removeIcons = [&window] { window.removeIcons(); };
    hooks.closeGpuSensors = [&gpu] { gpu.close(); };
    m_report = RunShutdown(records, exitState, hooks);
    return ExitNormal;
}

} // namespace monitor
