#pragma once
// The frame a window manager draws around a top-level window (title bar and
// borders), known before the window is placed, so that windows are placed
// and their positions stored by their outer rectangle, as users see them.
//
// On X11 the window manager says it in _NET_FRAME_EXTENTS. A window it does
// not manage yet (not shown yet, or just re-created) is asked for with
// _NET_REQUEST_FRAME_EXTENTS and the answer awaited for a moment. Without an
// answer the owner's frame stands in as the first estimate (windows of one
// program get the same decoration), then the last frame seen in this
// process. Elsewhere Qt's own frame geometry is taken. A frameless window
// has no frame.

#include <QMargins>
#include <QPoint>
#include <QRect>

class QWidget;

namespace dialog {

class WindowFrame {
public:
    // How long a window manager may take to answer a request for the extents.
    static constexpr int RequestWaitMs = 250;

    // Left, top, right and bottom frame widths of top-level `window`.
    static QMargins extents(const QWidget& window);
    // The window's outer rectangle: its client area grown by its frame.
    static QRect rect(const QWidget& window);
    // Places the window so that its frame's top-left corner is at `topLeft`;
    // the size stays.
    static void moveTo(QWidget& window, QPoint topLeft);
    // The window's decoration changed (frameless or not): what the window
    // manager stated for it before is out of date, so it is asked again.
    static void forget(QWidget& window);
};

} // namespace dialog
