#include "dialog/DialogFont.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace dialog {

namespace {

// Where fontconfig has not been told about the wine fonts (scripts/setup run
// without root), the programs load Tahoma from its folder themselves.
bool hasPreferredFamily()
{
    const QString wanted = QString::fromLatin1(DialogFont::preferredFamily);
    if (QFontDatabase::families().contains(wanted))
        return true;
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    return QFontDatabase::families().contains(wanted);
}

} // namespace

QString DialogFont::family()
{
    static const QString chosen =
        hasPreferredFamily() ? QString::fromLatin1(preferredFamily) : QString::fromLatin1(fallbackFamily);
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
    // The windows' texts are Latin figures and words: laid out straight from
    // the font's character map, they look the same and cost a fraction of
    // full shaping, which the monitor would otherwise pay on every tick.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

} // namespace dialog
