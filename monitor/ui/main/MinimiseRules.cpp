// MainDialog: minimise and restore, the caption of a minimised window and
// the OnTop setting of a shown one.

#include "monitor/ui/main/MainDialog.h"

#include "dialog/DisplayServer.h"
#include "monitor/ui/main/MainDialogIcons.h"

#include <QEvent>
#include <QMoveEvent>
#include <QWindowStateChangeEvent>
#include <QTimer>

namespace monitor {

void MainDialog::minimiseNow()
{
    // Where minimising reports no state change (Wayland), the window would
    // vanish for good: with the icons in a notification area it goes to
    // them at once, as a minimised window does on X11.
    if (!dialog::minimisedStateReported() && m_records.settings && settings().TaskBar == 0 && m_parts.icons &&
        m_parts.icons->notificationAreaExists() && m_parts.icons->anyIconShown(*this)) {
        m_windowRestored = false;
        hide();
        return;
    }
    // A shown window is only iconified: showMinimized() would show it again
    // after the state change hid it into the notification area.
    if (m_allowShow && !isVisible())
        showMinimized();
    else
        setWindowState(windowState() | Qt::WindowMinimized);
}

void MainDialog::minimizeWindow()
{
    m_staleMinimise.cancel();
    if (settings().TaskBar != 0 || m_windowRestored) {
        if (m_windowRestored)
            minimiseNow();
        else
            hide();
    }
}

void MainDialog::restoreWindow()
{
    m_allowShow = true;
    m_staleMinimise.comingBack(*this);
    if (!dialog::minimisedStateReported())
        m_windowRestored = true;
    showNormal();
    raise();
    activateWindow();
}

void MainDialog::changeEvent(QEvent* event)
{
    DialogWindow::changeEvent(event);
    if (m_staleMinimise.swallow(*this, *event) || event->type() != QEvent::WindowStateChange)
        return;
    m_windowRestored = !(windowState() & Qt::WindowMinimized);
    if (m_windowRestored)
        setCaption(QString::fromLatin1(m_layout.restoredCaption));
    if (!m_records.settings)
        return;
    // The window must keep a task-bar button when the notification area no
    // longer holds the icons.
    if (m_parts.icons && m_records.running() && !m_parts.icons->probe(*this))
        settings().TaskBar = 1;
    // A minimised window lives in the notification area only, unless it
    // keeps a task-bar button.
    if (!m_windowRestored && settings().TaskBar == 0 && notificationAreaExists())
        hide();
}

QRect MainDialog::currentFrameRect()
{
    const QRect client = geometry();
    if (!m_knownFrame || m_knownFrame->client != client || ++m_knownFrame->ticks >= FrameRereadTicks)
        m_knownFrame = KnownFrame{client, frameRect(), 0};
    return m_knownFrame->frame;
}

void MainDialog::moveEvent(QMoveEvent* event)
{
    DialogWindow::moveEvent(event);
    if (!m_records.running() || isMinimized() || !isVisible())
        return;
    const QRect frame = currentFrameRect();
    if (frame.height() >= MinimisedHeight)
        m_lastFullRect = frame;
}

void MainDialog::updateCaptionOrRectangle()
{
    const bool shown = !isMinimized() && isVisible();
    if (!shown)
        m_knownFrame.reset();
    const QRect frame = shown ? currentFrameRect() : QRect();
    if (!shown || frame.height() < MinimisedHeight) {
        setCaption(QString::fromStdString(m_records.cycle->samples().captionText));
        return;
    }
    m_lastFullRect = frame;
    const bool onTop = settings().OnTop != 0;
    if (onTop != m_appliedOnTop)
        applyOnTop(onTop);
}

void MainDialog::applyOnTop(bool onTop)
{
    setStaysOnTop(onTop);
    m_appliedOnTop = onTop;
}

} // namespace monitor
