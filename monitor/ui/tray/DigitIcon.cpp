#include "monitor/ui/tray/DigitIcon.h"

#include "monitor/ui/tray/DigitIconEngine.h"

#include <QApplication>
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
    auto* engine = new DigitIconEngine(digitIconText(value, digits), colour, font.value_or(QFont()));
    QIcon icon(engine);
    // Drawn now at the small-icon size: a picture that cannot be made fails here.
    if (engine->picture(smallIconSize().width()).isNull())
        return std::nullopt;
    return icon;
}

} // namespace monitor
