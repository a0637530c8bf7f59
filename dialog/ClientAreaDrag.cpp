#include "dialog/ClientAreaDrag.h"

#include <QMouseEvent>
#include <QWidget>

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
}

void ClientAreaDrag::moveTo(QPoint clientPoint)
{
    if (m_active)
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
