#include "monitor/ui/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace monitor {

namespace {

QPixmap drawThermometer(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    const QRectF tube(6 * unit, 1 * unit, 4 * unit, 10 * unit);
    const QRectF bulb(4 * unit, 8.5 * unit, 8 * unit, 7 * unit);
    painter.setPen(QPen(QColor(40, 40, 40), std::max(1.0, unit * 0.8)));
    painter.setBrush(QColor(245, 245, 245));
    painter.drawRoundedRect(tube, 2 * unit, 2 * unit);
    painter.setBrush(QColor(210, 30, 30));
    painter.drawEllipse(bulb);
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(7.2 * unit, 4 * unit, 1.6 * unit, 6 * unit));
    return pixmap;
}

} // namespace

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(drawThermometer(size));
    return icon;
}

} // namespace monitor
