#include "dialog/StaleMinimiseGuard.h"

#include <QWindowStateChangeEvent>
#include <QTimer>
#include <QWidget>

namespace dialog {

void StaleMinimiseGuard::comingBack(QWidget& window)
{
    m_comingBack = !window.isVisible();
    if (m_comingBack) // the window owns the timer: it never outlives the guard
        QTimer::singleShot(WaitMs, &window, [this] { m_comingBack = false; });
}

bool StaleMinimiseGuard::swallow(QWidget& window, const QEvent& event)
{
    if (event.type() == QEvent::ActivationChange && window.isActiveWindow())
        m_comingBack = false;
    if (event.type() != QEvent::WindowStateChange || !m_comingBack)
        return false;
    const bool wasMinimised = static_cast<const QWindowStateChangeEvent&>(event).oldState() & Qt::WindowMinimized;
    if (!(window.windowState() & Qt::WindowMinimized) || wasMinimised)
        return false;
    QTimer::singleShot(0, &window, [&window] { window.showNormal(); });
    return true;
}

} // namespace dialog
