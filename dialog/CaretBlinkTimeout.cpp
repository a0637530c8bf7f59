#include "dialog/CaretBlinkTimeout.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>

namespace dialog {

CaretBlinkTimeout::CaretBlinkTimeout()
    : m_flashTime(QApplication::cursorFlashTime())
{
    setParent(qApp);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { stop(); });
    qApp->installEventFilter(this);
}

CaretBlinkTimeout* CaretBlinkTimeout::install(std::chrono::milliseconds timeout)
{
    static QPointer<CaretBlinkTimeout> watcher;
    if (!watcher)
        watcher = new CaretBlinkTimeout;
    watcher->m_timer.setInterval(timeout);
    watcher->m_timer.start();
    return watcher;
}

bool CaretBlinkTimeout::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::FocusIn:
        resume();
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

void CaretBlinkTimeout::stop()
{
    if (m_stopped)
        return;
    m_flashTime = QApplication::cursorFlashTime();
    m_stopped = true;
    QApplication::setCursorFlashTime(0); // a caret shown, not blinking
}

void CaretBlinkTimeout::resume()
{
    if (m_stopped) {
        m_stopped = false;
        QApplication::setCursorFlashTime(m_flashTime);
    }
    m_timer.start();
}

} // namespace dialog
