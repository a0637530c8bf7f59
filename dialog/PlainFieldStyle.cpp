#include "dialog/PlainFieldStyle.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionFrame>

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

void PlainFieldStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                    const QWidget* widget) const
{
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

} // namespace dialog
