#include "monitor/ui/app/MonitorApp.h"

#include "dialog/TerminationSignals.h"
#include "monitor/lifecycle/MonitorShutdown.h"
#include "monitor/lifecycle/MonitorStartup.h"
#include "monitor/ui/desktop/CanberraSoundPlayer.h"
#include "monitor/ui/desktop/CompositionEnabled.h"
#include "monitor/ui/placement/DateHover.h"
#include "monitor/ui/app/DesktopAlarmOutputs.h"
#include "monitor/ui/app/DesktopMouse.h"
#include "monitor/ui/desktop/DocumentOpener.h"
#include "monitor/ui/app/GpuAttachment.h"
#include "monitor/ui/tray/IconMenu.h"
#include "monitor/ui/placement/MainContextMenu.h"
#include "monitor/ui/main/MainDialog.h"
#include "monitor/ui/app/MonitorWindows.h"
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
    // The window's place on the desktop, its context menu and date pop-up.
    QtScreenList screens;
    WindowPlacement placement(screens, CompositionEnabled());
    MainContextMenu contextMenu(placement);
    DateHover dateHover(placement);
    DesktopMouse mouse(contextMenu, dateHover);
    // The notification-area icons with their menu, and the alarm's file and sound.
    NotificationIcons icons(NotificationIcons::desktopIcons());
    IconMenu iconMenu(icons, placement);
    iconMenu.attachTo(icons);
    DesktopDocumentOpener opener;
    CanberraSoundPlayer sound;
    DesktopAlarmOutputs alarm(opener, sound);
    // The graphics sensors, their windows behind the GPU button and the
    // Settings window's switches for them.
    GpuAttachment gpu(records, m_gpuBackends);
    StartupHooks startupHooks;
    gpu.attachTo(startupHooks);
    // Settings, the benchmark, the sensor test, the About box and the limits window.
    MonitorWindows windows(opener, &icons);

    MainDialogParts parts = m_parts;
    const auto fill = [](auto*& part, auto& own) {
        if (!part)
            part = &own;
    };
    fill(parts.windows, windows);
    fill(parts.icons, icons);
    fill(parts.placement, placement);
    fill(parts.mouse, mouse);
    fill(parts.gpu, gpu);
    fill(parts.alarm, alarm);
    MainDialog window(records, parts);
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

    const StartupOutcome outcome = window.initialise(startupHooks);
    if (outcome != StartupOutcome::Running) {
        if (outcome == StartupOutcome::DriverError) {
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
    RunShutdown(records, exitState, hooks);
    return ExitNormal;
}

} // namespace monitor
