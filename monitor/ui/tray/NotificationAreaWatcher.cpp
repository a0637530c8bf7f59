#include "monitor/ui/tray/NotificationAreaWatcher.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace monitor {

namespace {

// The X11 platform's signal for a new or vanished system tray (the one its
// own tray icons follow).
constexpr const char* TrayChangedSignal = "systemTrayWindowChanged(QScreen*)";

} // namespace

NotificationAreaWatcher::NotificationAreaWatcher(std::function<void()> appeared, QObject* parent)
    : QObject(parent), m_appeared(std::move(appeared))
{
    // The platform's native interface is a QObject whose class is not public.
    auto* native = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface());
    if (!native || native->metaObject()->indexOfSignal(TrayChangedSignal) < 0)
        return;
    connect(native, SIGNAL(systemTrayWindowChanged(QScreen*)), this, SLOT(notificationAreaChanged(QScreen*)));
    // The platform follows the tray's owner from the first question about it.
    QSystemTrayIcon::isSystemTrayAvailable();
}

void NotificationAreaWatcher::notificationAreaChanged(QScreen*)
{
    if (m_appeared && QSystemTrayIcon::isSystemTrayAvailable())
        m_appeared();
}

} // namespace monitor
