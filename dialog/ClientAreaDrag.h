#pragma once
// Moves a window when it is dragged by a free spot of its client area: the
// left button pressed on the window itself (or on a control that lets the
// click through, such as a label or a group frame) grabs the point, moving
// the mouse moves the window so that the point stays under the cursor, and
// releasing the button ends the drag. Where the window manager offers a move
// of its own, the first movement hands the drag to it.

#include <QObject>
#include <QPoint>

class QWidget;

namespace dialog {

class ClientAreaDrag : public QObject {
    Q_OBJECT
public:
    // Watches the window's mouse events from now on; owned by the window.
    explicit ClientAreaDrag(QWidget* window);

    bool active() const { return m_active; }
    // The grabbed point in client coordinates.
    QPoint point() const { return m_point; }

    // The steps themselves, for windows that handle the mouse on their own.
    void begin(QPoint clientPoint);
    void moveTo(QPoint clientPoint);
    void end();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    bool m_active = false;
    bool m_systemMoveAsked = false;
    QPoint m_point;
};

} // namespace dialog
