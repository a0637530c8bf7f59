#pragma once
// A spin control as the Windows up-down control reports it: the up arrow
// (and the Up key while it has the focus) delivers a change of -1, the down
// arrow (Down key) +1. Holding an arrow repeats. It keeps no value of its
// own; the window decides what a change means.

#include <QWidget>

class QToolButton;

namespace dialog {

class UpDownControl : public QWidget {
    Q_OBJECT
public:
    explicit UpDownControl(QWidget* parent = nullptr);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void deltaPos(int delta);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
};

} // namespace dialog
