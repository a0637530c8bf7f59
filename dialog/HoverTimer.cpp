#include "dialog/HoverTimer.h"

#include <QMouseEvent>
#include <QWidget>

namespace dialog {

HoverTimer::HoverTimer(QWidget* target, int hoverMilliseconds)
    : QObject(target)
    , m_target(target)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(hoverMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_tracking = false;
        emit hovered(m_point);
    });
    target->setMouseTracking(true);
    target->installEventFilter(this);
}

bool HoverTimer::request()
{
    // Armed only: the hover time runs from the next movement, so a window
    // under a still pointer (or no pointer at all) sets no timer going.
    m_tracking = true;
    m_timer.stop();
    return true;
}

bool HoverTimer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_target || !m_tracking)
        return false;
    if (event->type() == QEvent::MouseMove) {
        m_point = static_cast<QMouseEvent*>(event)->position().toPoint();
        m_timer.start();
    } else if (event->type() == QEvent::Leave) {
        m_timer.stop();
        m_tracking = false;
        emit left();
    }
    return false;
}

} // namespace dialog
