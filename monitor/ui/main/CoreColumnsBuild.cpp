// MainDialog: the many-core window's core columns, made once the processor
// is known, and the frame headings they repeat.

#include "monitor/ui/main/MainDialog.h"

#include "monitor/ui/main/ManyCoreBlock.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace monitor {

namespace {

// What the window manager's frame and a panel take besides the work area's
// height, and the least the columns keep when they scroll (pixels).
constexpr int FrameAllowance = 40;
constexpr int LeastScrollHeight = 120;

} // namespace

void MainDialog::buildCoreColumns()
{
    std::vector<std::string> labels;
    int lastPresent = -1;
    for (int slot = 0; slot < m_records.flavour.coreSlots; ++slot)
        if (m_records.info.corePresent(slot))
            lastPresent = slot;
    for (int slot = 0; slot <= lastPresent; ++slot)
        labels.push_back(hw::coreLabel(m_records.info, slot));

    m_block = std::make_unique<ManyCoreBlock>(manyCoreBlock(labels));
    const ManyCoreBlock& block = *m_block;
    addControls(block.controls);
    for (const dialog::ControlSpec& spec : block.fixedControls())
        if (QWidget* widget = control(spec.id))
            widget->setGeometry(toPixels(spec.x, spec.y, spec.w, spec.h));
    setClientSize(QSize(units().toPixelsX(block.width), units().toPixelsY(block.clientHeight())));
    m_columns = block.columns;
    m_statusColour.assign(m_columns.size(), -1);
    if (m_parts.mouse)
        for (const CoreColumn& column : m_columns)
            for (int id : {column.minimum, column.minimumTime, column.maximum, column.maximumTime})
                control(id)->setMouseTracking(true);

    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen)
        scrollCoreColumns(block, screen->availableGeometry().height() - FrameAllowance);
}

void MainDialog::scrollCoreColumns(const ManyCoreBlock& block, int availableHeight)
{
    const QRect area = toPixels(0, block.top, block.width, block.height);
    const int overflow = height() - availableHeight;
    if (overflow <= 0)
        return;
    const int shown = std::max(LeastScrollHeight, area.height() - overflow);
    const int lift = area.height() - shown;

    // Every control of the block moves into the scrolled area, keeping its
    // place relative to the block.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setBackgroundRole(QPalette::Window);
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    content->resize(area.width(), area.height());
    for (const dialog::ControlSpec& spec : block.controls) {
        QWidget* widget = control(spec.id);
        if (!widget)
            continue;
        const QPoint place = widget->pos() - area.topLeft();
        widget->setParent(content);
        widget->move(place);
        widget->setVisible(!(spec.style & dialog::style::Hidden));
    }
    scroll->setWidget(content);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll);
    scroll->setGeometry(area.left(), area.top(), area.width() + scrollBar, shown);

    // The button row comes up under the shorter block; the window widens by the scroll bar.
    for (int id : {IDC_SENSOR_TEST, IDC_BENCH, IDC_RESET, IDC_SETTINGS, IDC_GPU_BUTTON})
        if (QWidget* button = control(id))
            button->move(button->pos() - QPoint(0, lift));
    if (QWidget* frame = control(IDC_INFO_FRAME))
        frame->resize(frame->width() + scrollBar, frame->height());
    setClientSize(QSize(width() + scrollBar, height() - lift));
    m_columnsScroll = true;
}

void MainDialog::setHeadingText(int frame, const QString& text)
{
    setText(frame, text);
    if (m_block)
        for (const ManyCoreBlock::HeadingCopy& copy : m_block->headingCopies)
            if (copy.frame == frame)
                setText(copy.copy, text);
}

std::vector<int> MainDialog::headingControls() const
{
    std::vector<int> ids(std::begin(HeadingFrames), std::end(HeadingFrames));
    if (m_block)
        for (const ManyCoreBlock::HeadingCopy& copy : m_block->headingCopies)
            ids.push_back(copy.copy);
    return ids;
}

} // namespace monitor
