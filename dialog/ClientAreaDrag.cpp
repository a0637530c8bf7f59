#include "dialog/ClientAreaDrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace dialog {

ClientAreaDrag::ClientAreaDrag(QWidget* window)
    : QObject(window)
    , m_window(window)
{
    window->installEventFilter(this);
}

void ClientAreaDrag::begin(QPoint clientPoint)
{
    m_point = clientPoint;
    m_active = true;
    m_systemMoveAsked = false;
}

void ClientAreaDrag::moveTo(QPoint clientPoint)
{
    if (!m_active)
        return;
    // The window manager's own move where it offers one (_NET_WM_MOVERESIZE
    // on X11, the compositor's move on Wayland, where a program cannot place
    // its window at all): it follows the pointer until the button is released.
    if (!m_systemMoveAsked) {
        m_systemMoveAsked = true;
        QWindow* handle = m_window->windowHandle();
        if (handle && handle->startSystemMove()) {
            m_active = false;
            return;
        }
    }
    m_window->move(m_window->pos() + (clientPoint - m_point));
}

void ClientAreaDrag::end()
{
    m_active = false;
}

bool ClientAreaDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            begin(mouse->position().toPoint());
            return true; // the window keeps the mouse until the button is released
        }
        break;
    }
    case QEvent::MouseMove:
        if (m_active) {
            moveTo(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_active) {
            end();
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace dialog
