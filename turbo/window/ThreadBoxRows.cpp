#include "turbo/window/ThreadBoxRows.h"

#include "dialog/ControlFactory.h"
#include "dialog/DialogWindow.h"
#include "dialog/WindowFrame.h"
#include "turbo/TurboReading.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace turbo {

namespace {

// The group frame of the window that holds `box`.
QWidget* groupAround(dialog::DialogWindow& window, const QWidget* box)
{
    for (QGroupBox* group : window.findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
        if (group->geometry().contains(box->geometry()))
            return group;
    }
    return nullptr;
}

// A new box made like `model`, a box of the lower row, `offset` pixels below it.
QLineEdit* boxBelow(dialog::DialogWindow& window, const QLineEdit* model, int offset, QWidget* parent)
{
    const dialog::ControlSpec* spec = window.spec(window.controlId(model));
    auto* box = static_cast<QLineEdit*>(dialog::ControlFactory::create(*spec, window.units(), parent));
    box->setGeometry(model->geometry().translated(0, offset));
    return box;
}

} // namespace

QString ThreadBoxRows::multiplierName(int cpu) { return QStringLiteral("Multiplier of CPU %1").arg(cpu); }

QString ThreadBoxRows::c0Name(int cpu) { return QStringLiteral("C0 state of CPU %1").arg(cpu); }

std::unique_ptr<ThreadBoxRows> ThreadBoxRows::grow(dialog::DialogWindow& window, int slotCount,
                                                  std::vector<QLineEdit*>& multiplierBoxes,
                                                  std::vector<QLineEdit*>& c0Boxes)
{
    constexpr size_t kLowerRow = kBoxesPerRow;
    const int rows = (slotCount - kSlotCount + kBoxesPerRow - 1) / kBoxesPerRow;
    QWidget* multiplierGroup = groupAround(window, multiplierBoxes[0]);
    QWidget* c0Group = groupAround(window, c0Boxes[0]);
    if (rows <= 0 || !multiplierGroup || !c0Group)
        return nullptr;

    // Everything between the top of the multiplier group and the bottom of
    // the C0 group moves into the area; what lies below moves down.
    const int pitch = multiplierBoxes[kLowerRow]->y() - multiplierBoxes[0]->y();
    const int growth = rows * pitch;
    const int top = multiplierGroup->y();
    const int bottom = c0Group->geometry().bottom() + 1;
    const int c0Top = c0Group->y();
    const int c0LowerRow = c0Boxes[kLowerRow]->y();
    std::vector<QWidget*> inside;
    std::vector<QWidget*> below;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        if (child->y() >= bottom)
            below.push_back(child);
        else if (child->y() >= top)
            inside.push_back(child);
    }

    // The area first, so that the controls moved into it keep their place
    // in the window's Tab order.
    auto* area = new QScrollArea(&window);
    area->setFrameShape(QFrame::NoFrame);
    area->setFocusPolicy(Qt::NoFocus);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    content->resize(window.width(), bottom - top + 2 * growth);
    area->setWidget(content);
    area->setGeometry(0, top, window.width(), bottom - top);
    for (QWidget* child : inside) {
        // The C0 group and its boxes make room for the new multiplier rows,
        // the C0 average under the boxes for the new C0 rows as well.
        int shift = child->y() >= c0Top ? growth : 0;
        if (child->y() > c0LowerRow)
            shift += growth;
        QRect place = child->geometry().translated(0, shift - top);
        if (child == multiplierGroup || child == c0Group)
            place.setHeight(place.height() + growth);
        const bool hidden = child->isHidden();
        child->setParent(content);
        child->setGeometry(place);
        child->setVisible(!hidden);
    }
    for (int slot = kSlotCount; slot < slotCount; ++slot) {
        const size_t column = static_cast<size_t>(slot % kBoxesPerRow);
        const int offset = ((slot - kSlotCount) / kBoxesPerRow + 1) * pitch;
        multiplierBoxes.push_back(boxBelow(window, multiplierBoxes[kLowerRow + column], offset, content));
        c0Boxes.push_back(boxBelow(window, c0Boxes[kLowerRow + column], offset, content));
    }

    // Tab goes through the boxes in slot order, as through the sixteen.
    for (std::vector<QLineEdit*>* boxes : {&multiplierBoxes, &c0Boxes}) {
        for (size_t slot = kSlotCount; slot < boxes->size(); ++slot)
            QWidget::setTabOrder((*boxes)[slot - 1], (*boxes)[slot]);
    }

    std::unique_ptr<ThreadBoxRows> rowsAdded(new ThreadBoxRows(window, area));
    rowsAdded->m_below = std::move(below);
    rowsAdded->m_top = top;
    rowsAdded->m_height = bottom - top;
    rowsAdded->m_naturalHeight = content->height();
    rowsAdded->m_width = window.width();
    rowsAdded->m_minimumHeight = std::min(content->height(), 4 * pitch);
    return rowsAdded;
}

void ThreadBoxRows::fit(const QRect& workArea)
{
    const QMargins frame = dialog::WindowFrame::extents(m_window);
    const int others = m_window.height() - m_height;
    const int tallest = workArea.height() - frame.top() - frame.bottom() - others;
    const int height = std::clamp(tallest, m_minimumHeight, m_naturalHeight);
    // A scrolling area takes its bar beside the boxes, so none is covered.
    const bool scrolls = height < m_naturalHeight;
    const int scrollBar = scrolls ? m_window.style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
    m_area->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    m_area->setGeometry(0, m_top, m_width + scrollBar, height);
    const int moved = height - m_height;
    for (QWidget* child : m_below)
        child->move(child->x(), child->y() + moved);
    m_height = height;
    m_window.setFixedSize(m_width + scrollBar, others + height);

    // A shown window that reaches past the work area (placed for its old
    // height, or without its title bar counted) is moved into it, title bar first.
    const QRect outer = m_window.frameRect();
    if (m_window.isVisible() && (outer.top() < workArea.top() || outer.bottom() > workArea.bottom())) {
        const int y = std::max(workArea.top(), std::min(outer.top(), workArea.bottom() + 1 - outer.height()));
        m_window.moveFrameTo(QPoint(outer.left(), y));
    }
}

} // namespace turbo
