#include "dialog/DisplayServer.h"

#include <QGuiApplication>

namespace dialog {
namespace {

bool onWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

} // namespace

WindowPositions windowPositions() { return onWayland() ? WindowPositions::Hidden : WindowPositions::Reported; }

bool staysOnTopAvailable() { return !onWayland(); }

bool minimisedStateReported() { return !onWayland(); }

} // namespace dialog
