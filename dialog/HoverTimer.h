#pragma once
// Hover and leave notifications for a widget: the mouse resting on it for the
// hover time after a movement (a single-shot timer started by every
// movement, never by the request itself) reports hovered once; leaving the widget stops the timer and reports left. Like a
// hover request on Windows, it reports one hover per request: call
// request() again to be told of the next one.

#include <QObject>
#include <QPoint>
#include <QTimer>

class QWidget;

namespace dialog {

class HoverTimer : public QObject {
    Q_OBJECT
public:
    HoverTimer(QWidget* target, int hoverMilliseconds);

    // Starts watching for one hover; true when a request is outstanding.
    bool request();
    bool tracking() const { return m_tracking; }

signals:
    void hovered(QPoint clientPoint);
    void left();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_target;
    QTimer m_timer;
    QPoint m_point;
    bool m_tracking = false;
};

} // namespace dialog
