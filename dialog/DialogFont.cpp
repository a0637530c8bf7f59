#include "dialog/DialogFont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace dialog {

QString DialogFont::family()
{
    static const QString chosen = QFontDatabase::families().contains(QLatin1String(preferredFamily))
        ? QString::fromLatin1(preferredFamily)
        : QString::fromLatin1(fallbackFamily);
    return chosen;
}

int DialogFont::pixelHeight(int pointSize, int dpi)
{
    // MulDiv(points, dpi, 72): rounded to the nearest pixel.
    return static_cast<int>(std::lround(static_cast<double>(pointSize) * dpi / 72.0));
}

int DialogFont::logicalDpi()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    return 96;
}

QFont DialogFont::font(int pointSize)
{
    QFont f(family());
    f.setPixelSize(pixelHeight(pointSize, logicalDpi()));
    return f;
}

} // namespace dialog
