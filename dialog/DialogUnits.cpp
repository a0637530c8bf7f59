#include "dialog/DialogUnits.h"

#include <QFontMetrics>
#include <QRawFont>

#include <cmath>
#include <cstdint>

namespace dialog {

namespace {

uint16_t bigEndian16(const QByteArray& table, int offset)
{
    return static_cast<uint16_t>((static_cast<uint8_t>(table[offset]) << 8) | static_cast<uint8_t>(table[offset + 1]));
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
    : m_baseX(averageCharWidth(font))
    , m_baseY(charHeight(font))
{
}

QRect DialogUnits::toPixels(int x, int y, int w, int h) const
{
    return QRect(toPixelsX(x), toPixelsY(y), toPixelsX(w), toPixelsY(h));
}

int DialogUnits::averageCharWidth(const QFont& font)
{
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int extent = QFontMetrics(font).horizontalAdvance(alphabet);
    return (extent / 26 + 1) / 2;
}

int DialogUnits::charHeight(const QFont& font)
{
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray os2 = raw.fontTable("OS/2");
    const QByteArray head = raw.fontTable("head");
    // usWinAscent at 74, usWinDescent at 76 of "OS/2"; unitsPerEm at 18 of "head".
    if (os2.size() >= 78 && head.size() >= 20) {
        const int unitsPerEm = bigEndian16(head, 18);
        const double pixels = raw.pixelSize();
        if (unitsPerEm > 0 && pixels > 0) {
            const double scale = pixels / unitsPerEm;
            const long ascent = std::lround(bigEndian16(os2, 74) * scale);
            const long descent = std::lround(bigEndian16(os2, 76) * scale);
            return static_cast<int>(ascent + descent);
        }
    }
    return QFontMetrics(font).height();
}

int DialogUnits::mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t half = (c > 0 ? c : -c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = ((product < 0 ? -product : product) + half) / (c > 0 ? c : -c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

} // namespace dialog
