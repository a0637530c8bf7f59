#include "TrayDesktop.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>

namespace turbo::test {

std::string& trayDesktopUnavailable()
{
    static std::string reason;
    return reason;
}

std::string waitForNotificationArea()
{
    if (!trayDesktopUnavailable().empty())
        return trayDesktopUnavailable();
    if (QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000))
        return {};
    return "no notification area on X display " + qEnvironmentVariable("DISPLAY").toStdString() +
           " within 5 s (scripts/test starts trayer for these tests)";
}

XWindowPlace xWindowPlace(WId window)
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return {};
    xcb_connection_t* connection = x11->connection();
    auto id = static_cast<xcb_window_t>(window);
    XWindowPlace place;
    if (xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, id), nullptr)) {
        place.exists = true;
        place.embedded = tree->parent != tree->root;
        std::free(tree);
    }
    auto cookie = xcb_get_window_attributes(connection, id);
    if (xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(connection, cookie, nullptr)) {
        place.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
    }
    return place;
}

QList<QWidget*> dockedIconWidgets()
{
    QList<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("QSystemTrayIconSys"))
            found.append(widget);
    return found;
}

} // namespace turbo::test
