#include "dialog/PlainFieldStyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionFrame>
#include <qdrawutil.h>

#include <algorithm>

namespace dialog {

PlainFieldStyle::PlainFieldStyle()
    : QProxyStyle(QApplication::style()->name()) // the application's own style underneath
{
    setParent(qApp);
}

PlainFieldStyle* PlainFieldStyle::instance()
{
    static QPointer<PlainFieldStyle> style;
    if (!style)
        style = new PlainFieldStyle;
    return style;
}

namespace {

constexpr int GroupFrameCorner = 6;
// Fusion's space above a group box frame, besides the title's height.
constexpr int GroupBoxTopMargin = 3;

} // namespace

void PlainFieldStyle::drawGroupFrame(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (m_groupFrame.isNull()) {
        // A faintly shaded inside, a line just within the edge and a soft
        // grey outline with rounded corners, one pixel in from the top left.
        constexpr int side = 2 * GroupFrameCorner + 1;
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter draw(&image);
        draw.setRenderHint(QPainter::Antialiasing);
        const QRectF outline = QRectF(1, 1, side - 1, side - 1).adjusted(0.5, 0.5, -0.5, -0.5);
        draw.setPen(QColor(117, 117, 117, 50));
        draw.setBrush(QColor(0, 0, 0, 3));
        draw.drawRoundedRect(outline, 2.0, 2.0);
        draw.setRenderHint(QPainter::Antialiasing, false);
        draw.setPen(QColor(0, 0, 0, 4));
        draw.setBrush(Qt::NoBrush);
        draw.drawRect(QRect(2, 2, side - 4, side - 4));
        draw.end();
        m_groupFrame = QPixmap::fromImage(image);
    }
    int topMargin = GroupBoxTopMargin;
    const auto* group = qobject_cast<const QGroupBox*>(widget);
    if (!group || group->isCheckable() || !group->title().isEmpty())
        topMargin += std::max(pixelMetric(PM_ExclusiveIndicatorHeight, option, widget), option->fontMetrics.height());
    const QMargins corners(GroupFrameCorner, GroupFrameCorner, GroupFrameCorner, GroupFrameCorner);
    qDrawBorderPixmap(painter, option->rect.adjusted(0, topMargin, 0, 0), corners, m_groupFrame);
}

void PlainFieldStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                    const QWidget* widget) const
{
    if (element == PE_FrameGroupBox && baseStyle()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0) {
        drawGroupFrame(option, painter, widget);
        return;
    }
    if (element == PE_FrameLineEdit)
        return; // drawn with the panel below
    if (element != PE_PanelLineEdit) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // The rounded frame of the usual look, squared: the outline one shade
    // darker than the window, the base inside, and the faint shadow under
    // the top edge. Every pixel of the rectangle is painted.
    const QRect r = option->rect;
    const QPalette& palette = option->palette;
    const bool focused = option->state & State_HasFocus;
    const QColor outline = focused ? palette.highlight().color().darker(125) : palette.window().color().darker(140);
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (frame && frame->lineWidth <= 0) {
        painter->fillRect(r, palette.base());
        return;
    }
    painter->fillRect(r.adjusted(1, 1, -1, -1), palette.base());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(outline);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(r.adjusted(0, 0, -1, -1));
    painter->setPen(QColor(0, 0, 0, 18));
    painter->drawLine(r.left() + 2, r.top() + 1, r.right() - 2, r.top() + 1);
    painter->restore();
}

void PlainFieldStyle::apply(QWidget* field)
{
    field->setStyle(instance());
    field->setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlainFieldStyle::applyToGroup(QWidget* group) { group->setStyle(instance()); }

} // namespace dialog
