// main() of the notification-area tests: GoogleTest with a QApplication on
// the xcb platform of $DISPLAY, unlike the other window tests, which run
// offscreen. Without a reachable display no QApplication is made and every
// test skips with the reason.

#include "TrayDesktop.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <memory>

namespace {

std::string displayProblem()
{
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return "no X display: DISPLAY is not set";
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    return failed ? "cannot connect to X display " + display.toStdString() : std::string();
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    qputenv("QT_QPA_PLATFORM", "xcb");
    // The icon is to go through the X11 notification area. A session bus with
    // a status-notifier host would take it there instead, so none is used.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    std::unique_ptr<QTemporaryDir> runtimeDir;
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        runtimeDir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/ostrel-tray-test-XXXXXX"));
        if (runtimeDir->isValid()) {
            QFile::setPermissions(runtimeDir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", runtimeDir->path().toLocal8Bit());
        }
    }

    dialog::test::trayDesktopUnavailable() = displayProblem();
    if (!dialog::test::trayDesktopUnavailable().empty())
        return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
