#include "TrayDesktop.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace dialog::test {

namespace {

constexpr int SettleMs = 5000;

} // namespace

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

bool dockedAndShown(WId window)
{
    return QTest::qWaitFor(
        [window] {
            const XWindowPlace place = xWindowPlace(window);
            return place.embedded && place.viewable;
        },
        SettleMs);
}

bool goneFromTheServer(WId window)
{
    return QTest::qWaitFor([window] { return !xWindowPlace(window).exists; }, SettleMs);
}

long notificationAreaProcess()
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return 0;
    xcb_connection_t* connection = x11->connection();
    const auto atom = [connection](const char* name) {
        xcb_atom_t found = XCB_ATOM_NONE;
        const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
        if (xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr)) {
            found = reply->atom;
            std::free(reply);
        }
        return found;
    };
    xcb_window_t owner = XCB_WINDOW_NONE;
    const auto ownerCookie = xcb_get_selection_owner(connection, atom("_NET_SYSTEM_TRAY_S0"));
    if (xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(connection, ownerCookie, nullptr)) {
        owner = reply->owner;
        std::free(reply);
    }
    if (owner == XCB_WINDOW_NONE)
        return 0;
    long pid = 0;
    const auto pidCookie = xcb_get_property(connection, 0, owner, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1);
    if (xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, pidCookie, nullptr)) {
        if (xcb_get_property_value_length(reply) == 4)
            pid = *static_cast<const uint32_t*>(xcb_get_property_value(reply));
        std::free(reply);
    }
    return pid;
}

QList<QWidget*> dockedIconWidgets()
{
    QList<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("QSystemTrayIconSys"))
            found.append(widget);
    return found;
}

} // namespace dialog::test
