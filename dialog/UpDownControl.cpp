#include "dialog/UpDownControl.h"

#include <QKeyEvent>
#include <QToolButton>

namespace dialog {

namespace {

QToolButton* makeArrow(QWidget* parent, Qt::ArrowType arrow)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent)
    , m_up(makeArrow(this, Qt::UpArrow))
    , m_down(makeArrow(this, Qt::DownArrow))
{
    setFocusPolicy(Qt::TabFocus);
    connect(m_up, &QToolButton::clicked, this, [this] { emit deltaPos(-1); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit deltaPos(+1); });
}

void UpDownControl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int upper = height() / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
}

void UpDownControl::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up) {
        emit deltaPos(-1);
        return;
    }
    if (event->key() == Qt::Key_Down) {
        emit deltaPos(+1);
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace dialog
