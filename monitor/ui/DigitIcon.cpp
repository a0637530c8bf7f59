#include "monitor/ui/DigitIcon.h"

#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace monitor {

namespace {

// The icon font is chosen for the small-icon size; larger pictures scale it.
constexpr int FontReferenceSide = 16;
// Digits that would not fit are first drawn narrower, down to this share of
// their width, and only then smaller: tall digits stay readable.
constexpr double NarrowestDigits = 0.75;
// The margin of contrast around the digits, per this many pixels of side.
constexpr int SidePerHaloPixel = 24;

struct Ink {
    QImage canvas; // the text drawn on a canvas wider and taller than the picture
    QRect box;     // the pixels it covers; empty when none
};

// Draws the text at the font's size, squeezed horizontally by the factor,
// on a canvas with room on every side, and finds the pixels it covers.
Ink drawInk(const QString& text, const QColor& colour, const QFont& font, double squeeze, int side)
{
    Ink ink;
    QPixmap canvas(side * 3, side * 2);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    if (!painter.isActive())
        return ink;
    painter.setFont(font);
    painter.setPen(colour);
    // The baseline a picture and a half down; glyphs drawn without a scale
    // keep their hinting.
    const QPoint baseline(side / 2, side * 3 / 2);
    if (squeeze < 1.0) {
        painter.translate(baseline);
        painter.scale(squeeze, 1.0);
        painter.drawText(QPoint(0, 0), text);
    } else {
        painter.drawText(baseline, text);
    }
    painter.end();
    ink.canvas = canvas.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int left = ink.canvas.width(), right = -1, top = ink.canvas.height(), bottom = -1;
    for (int y = 0; y < ink.canvas.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(ink.canvas.constScanLine(y));
        for (int x = 0; x < ink.canvas.width(); ++x)
            if (qAlpha(line[x]) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    if (right >= 0)
        ink.box = QRect(QPoint(left, top), QPoint(right, bottom));
    return ink;
}

int pixelSizeOf(const QFont& font)
{
    return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

// The text as large as the picture allows: the font scaled to the side,
// then squeezed, then made smaller until the ink fits the room inside the
// halo.
Ink fittedInk(const QString& text, const QColor& colour, QFont font, int side, int room)
{
    int pixels = std::max(1, static_cast<int>(std::lround(double(pixelSizeOf(font)) * side / FontReferenceSide)));
    for (;;) {
        font.setPixelSize(pixels);
        Ink ink = drawInk(text, colour, font, 1.0, side);
        if (ink.box.isEmpty() || pixels == 1)
            return ink;
        if (ink.box.height() <= room) {
            if (ink.box.width() <= room)
                return ink;
            const double squeeze = double(room) / ink.box.width();
            if (squeeze >= NarrowestDigits) {
                ink = drawInk(text, colour, font, squeeze, side);
                if (ink.box.width() <= room)
                    return ink;
            }
        }
        // Smaller, in proportion to what is missing, by one pixel at least.
        const double excess = std::max(double(ink.box.height()) / room, double(ink.box.width()) * NarrowestDigits / room);
        pixels = std::min(pixels - 1, static_cast<int>(std::floor(pixels / excess)));
        pixels = std::max(pixels, 1);
    }
}

QColor haloColourFor(const QColor& digits) { return digits.lightnessF() >= 0.5 ? Qt::black : Qt::white; }

// One picture of the icon: the digits centred, each pixel of them ringed by
// the contrasting colour, the rest transparent.
QImage drawPicture(const QString& text, const QColor& colour, const QFont& font, int side)
{
    const int halo = std::max(1, side / SidePerHaloPixel);
    const Ink ink = fittedInk(text, colour, font, side, side - 2 * halo);
    QImage picture(side, side, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    if (ink.box.isEmpty())
        return picture;
    const QPoint offset(ink.box.left() - (side - ink.box.width()) / 2, ink.box.top() - (side - ink.box.height()) / 2);
    // The halo: the highest opacity of the digits within its reach.
    const QColor ring = haloColourFor(colour);
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < side; ++x) {
            int alpha = 0;
            for (int sy = y + offset.y() - halo; sy <= y + offset.y() + halo; ++sy) {
                if (sy < 0 || sy >= ink.canvas.height())
                    continue;
                const auto* row = reinterpret_cast<const QRgb*>(ink.canvas.constScanLine(sy));
                for (int sx = std::max(0, x + offset.x() - halo);
                     sx <= std::min(ink.canvas.width() - 1, x + offset.x() + halo); ++sx)
                    alpha = std::max(alpha, qAlpha(row[sx]));
            }
            line[x] = qPremultiply(qRgba(ring.red(), ring.green(), ring.blue(), alpha));
        }
    }
    QPainter painter(&picture);
    painter.drawImage(QPoint(0, 0), ink.canvas, QRect(offset, QSize(side, side)));
    return picture;
}

} // namespace

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
    const QString text = digitIconText(value, digits);
    const QFont chosen = font.value_or(QFont());
    QIcon icon;
    const auto addSide = [&](int side) {
        const QImage picture = drawPicture(text, colour, chosen, side);
        if (picture.isNull())
            return false;
        icon.addPixmap(QPixmap::fromImage(picture));
        return true;
    };
    for (const int side : DigitIconSides)
        if (!addSide(side))
            return std::nullopt;
    const int small = smallIconSize().width();
    if (std::find(DigitIconSides.begin(), DigitIconSides.end(), small) == DigitIconSides.end() && !addSide(small))
        return std::nullopt;
    return icon;
}

} // namespace monitor
