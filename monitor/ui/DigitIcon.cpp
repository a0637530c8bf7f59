#include "monitor/ui/DigitIcon.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace monitor {

QString digitIconText(int value, DigitCount digits)
{
    if (value >= 100 && digits == DigitCount::Two)
        return QStringLiteral("%1").arg(value - 100, 2, 10, QLatin1Char('0'));
    return QString::number(value);
}

QSize smallIconSize()
{
    const int side = QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize) : 16;
    return {side, side};
}

std::optional<QIcon> makeDigitIcon(int value, const QColor& colour, const std::optional<QFont>& font,
                                   DigitCount digits)
{
    QPixmap picture(smallIconSize());
    if (picture.isNull())
        return std::nullopt;
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    if (!painter.isActive())
        return std::nullopt;
    if (font)
        painter.setFont(*font);
    painter.setPen(colour);
    painter.drawText(picture.rect(), Qt::AlignCenter | Qt::TextSingleLine, digitIconText(value, digits));
    painter.end();
    return QIcon(picture);
}

} // namespace monitor
