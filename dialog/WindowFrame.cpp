#include "dialog/WindowFrame.h"

#include <QWidget>
#include <QWindow>

#include <optional>

#if OSTREL_WITH_XCB
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>

#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#endif

namespace dialog {

namespace {

QMargins qtFrameOf(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

#if OSTREL_WITH_XCB

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    static std::map<std::string, xcb_atom_t> known;
    const auto found = known.find(name);
    if (found != known.end())
        return found->second;
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    if (value != XCB_ATOM_NONE)
        known[name] = value;
    return value;
}

// _NET_FRAME_EXTENTS holds left, right, top and bottom, in device pixels.
std::optional<QMargins> readExtents(xcb_connection_t* connection, xcb_window_t window, qreal pixelRatio)
{
    const auto cookie =
        xcb_get_property(connection, 0, window, atom(connection, "_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4);
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->type != XCB_ATOM_CARDINAL || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != 4 * 4)
        return std::nullopt;
    const auto* value = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    const auto scaled = [pixelRatio](uint32_t pixels) { return static_cast<int>(std::lround(pixels / pixelRatio)); };
    return QMargins(scaled(value[0]), scaled(value[2]), scaled(value[1]), scaled(value[3]));
}

xcb_window_t rootOf(xcb_connection_t* connection, xcb_window_t window)
{
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
    return tree ? tree->root : xcb_window_t{XCB_WINDOW_NONE};
}

bool windowManagerSupports(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t wanted)
{
    const auto cookie =
        xcb_get_property(connection, 0, root, atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0, 1024);
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr));
    if (!reply || reply->type != XCB_ATOM_ATOM || reply->format != 32)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i)
        if (atoms[i] == wanted)
            return true;
    return false;
}

// The window's X window when it has one. Qt keeps the X window of a top
// level whose flags change, while the widget forgets its id until shown.
WId nativeId(const QWidget& window)
{
    const QWindow* handle = window.windowHandle();
    return handle && handle->handle() ? handle->winId() : window.internalWinId();
}

// Asks the window manager to state the frame it would give the window, and
// waits a moment for the answer.
std::optional<QMargins> askWindowManager(xcb_connection_t* connection, QWidget& window)
{
    // A window manager that left one request unanswered is not waited for
    // again on the same window.
    static std::set<WId> unanswered;
    if (nativeId(window) && unanswered.count(nativeId(window)))
        return std::nullopt;
    // The window needs its native window for that; its owner's controls
    // must not get native windows of their own on the way.
    const bool siblingsBefore = QCoreApplication::testAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, true);
    const auto id = static_cast<xcb_window_t>(window.winId());
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings, siblingsBefore);
    const xcb_atom_t request = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_window_t root = rootOf(connection, id);
    if (root == XCB_WINDOW_NONE || request == XCB_ATOM_NONE || !windowManagerSupports(connection, root, request))
        return std::nullopt;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    QElapsedTimer waited;
    waited.start();
    do {
        if (const std::optional<QMargins> answer = readExtents(connection, id, window.devicePixelRatioF()))
            return answer;
        QThread::msleep(5);
    } while (waited.elapsed() < WindowFrame::RequestWaitMs);
    unanswered.insert(id);
    return std::nullopt;
}

std::optional<QMargins> managedExtents(xcb_connection_t* connection, const QWidget& window)
{
    const WId id = nativeId(window);
    if (!id)
        return std::nullopt;
    return readExtents(connection, static_cast<xcb_window_t>(id), window.devicePixelRatioF());
}

QMargins x11FrameOf(xcb_connection_t* connection, const QWidget& window)
{
    static std::optional<QMargins> lastSeen;
    std::optional<QMargins> found = managedExtents(connection, window);
    if (!found)
        found = askWindowManager(connection, const_cast<QWidget&>(window));
    if (found) {
        lastSeen = found;
        return *found;
    }
    for (const QWidget* owner = window.parentWidget(); owner; owner = owner->parentWidget()) {
        const QWidget* ownerWindow = owner->window();
        if (!ownerWindow->windowFlags().testFlag(Qt::FramelessWindowHint))
            if (const std::optional<QMargins> ownerFrame = managedExtents(connection, *ownerWindow))
                return *ownerFrame;
        owner = ownerWindow;
    }
    return lastSeen.value_or(QMargins());
}

#endif

} // namespace

QMargins WindowFrame::extents(const QWidget& window)
{
    if (!window.isWindow() || window.windowFlags().testFlag(Qt::FramelessWindowHint))
        return {};
#if OSTREL_WITH_XCB
    if (xcb_connection_t* connection = x11Connection())
        return x11FrameOf(connection, window);
#endif
    return qtFrameOf(window);
}

QRect WindowFrame::rect(const QWidget& window)
{
    QRect outer = window.geometry().marginsAdded(extents(window));
    // A window never placed nor shown yet stands with its frame at its
    // nominal position, where it would be shown.
    if (!window.testAttribute(Qt::WA_Moved) && !window.isVisible())
        outer.moveTopLeft(window.geometry().topLeft());
    return outer;
}

void WindowFrame::moveTo(QWidget& window, QPoint topLeft)
{
    const QMargins frame = extents(window);
    // The client area's place, which every window manager honours as given.
    const QRect client(topLeft + QPoint(frame.left(), frame.top()), window.size());
    window.setGeometry(client);
    // A native window made before it was placed (to ask for its frame) was
    // left to the window manager's placement; now it has a place of its own.
    if (QWindow* handle = window.windowHandle(); handle && !window.isVisible())
        handle->setGeometry(client);
}

void WindowFrame::forget(QWidget& window)
{
#if OSTREL_WITH_XCB
    xcb_connection_t* connection = x11Connection();
    const WId id = nativeId(window);
    if (!connection || !id)
        return;
    xcb_delete_property(connection, static_cast<xcb_window_t>(id), atom(connection, "_NET_FRAME_EXTENTS"));
    xcb_flush(connection);
#else
    (void)window;
#endif
}

} // namespace dialog
