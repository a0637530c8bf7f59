#include "monitor/ui/tray/DigitIconEngine.h"

#include <QFontInfo>
#include <QPainter>

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
// The empty margin beside it, per this many pixels of side.
constexpr int SidePerGapPixel = 22;

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

// How a text is drawn into a picture: the font's pixel size and the
// horizontal squeeze.
struct Fit {
    int pixels = 1;
    double squeeze = 1.0;
};

Ink drawInk(const QString& text, const QColor& colour, QFont font, const Fit& fit, int side)
{
    font.setPixelSize(fit.pixels);
    return drawInk(text, colour, font, fit.squeeze, side);
}

bool fits(const Ink& ink, int room) { return ink.box.width() <= room && ink.box.height() <= room; }

// The text as large as the picture allows: the font scaled to the side,
// then squeezed, then made smaller until the ink fits the room inside the
// margins.
Fit fitting(const QString& text, const QFont& font, int side, int room)
{
    Fit fit;
    fit.pixels = std::max(1, static_cast<int>(std::lround(double(pixelSizeOf(font)) * side / FontReferenceSide)));
    for (;;) {
        fit.squeeze = 1.0;
        Ink ink = drawInk(text, Qt::black, font, fit, side);
        if (ink.box.isEmpty() || fits(ink, room) || fit.pixels == 1)
            return fit;
        if (ink.box.height() <= room && double(room) / ink.box.width() >= NarrowestDigits) {
            fit.squeeze = double(room) / ink.box.width();
            if (fits(drawInk(text, Qt::black, font, fit, side), room))
                return fit;
        }
        // Smaller, in proportion to what is missing, by one pixel at least.
        const double excess = std::max(double(ink.box.height()) / room, double(ink.box.width()) * NarrowestDigits / room);
        fit.pixels = std::max(1, std::min(fit.pixels - 1, static_cast<int>(std::floor(fit.pixels / excess))));
    }
}

// The text at the size that fits every number of as many digits (each digit
// taken as an 8, one of the widest), so that neighbouring icons match; at
// its own fit where its glyphs are wider still.
Ink fittedInk(const QString& text, const QColor& colour, const QFont& font, int side, int room)
{
    QString widest = text;
    for (QChar& c : widest)
        if (c.isDigit())
            c = QLatin1Char('8');
    Ink ink = drawInk(text, colour, font, fitting(widest, font, side, room), side);
    if (fits(ink, room))
        return ink;
    return drawInk(text, colour, font, fitting(text, font, side, room), side);
}

QColor haloColourFor(const QColor& digits) { return digits.lightnessF() >= 0.5 ? Qt::black : Qt::white; }

// One picture of the icon: the digits centred, each pixel of them ringed by
// the contrasting colour, the rest transparent.
QImage drawPicture(const QString& text, const QColor& colour, const QFont& font, int side)
{
    const int halo = std::max(1, side / SidePerHaloPixel);
    // Panels put their icons side by side: from 22 px on a transparent
    // column on either side keeps the numbers of neighbours apart.
    const int margin = halo + side / SidePerGapPixel;
    const Ink ink = fittedInk(text, colour, font, side, side - 2 * margin);
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

DigitIconEngine::DigitIconEngine(QString text, QColor colour, QFont font)
    : m_text(std::move(text)), m_colour(std::move(colour)), m_font(std::move(font))
{
}

QIconEngine* DigitIconEngine::clone() const { return new DigitIconEngine(*this); }

QSize DigitIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    const int side = std::min(size.width(), size.height());
    return {side, side};
}

QList<QSize> DigitIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> sizes;
    for (const int side : DigitIconSides)
        sizes.append(QSize(side, side));
    return sizes;
}

QPixmap DigitIconEngine::picture(int side)
{
    if (side <= 0)
        return {};
    for (const auto& [drawnSide, drawn] : m_pictures)
        if (drawnSide == side)
            return drawn;
    QPixmap drawn = QPixmap::fromImage(drawPicture(m_text, m_colour, m_font, side));
    if (m_pictures.size() >= MaxPictures)
        m_pictures.erase(m_pictures.begin());
    m_pictures.emplace_back(side, drawn);
    return drawn;
}

QPixmap DigitIconEngine::pixmap(const QSize& size, QIcon::Mode, QIcon::State)
{
    return picture(std::min(size.width(), size.height()));
}

QPixmap DigitIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale)
{
    QPixmap drawn = pixmap(size * scale, mode, state);
    drawn.setDevicePixelRatio(scale);
    return drawn;
}

void DigitIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State)
{
    // Device pixels, so that a scaled screen gets digits of its own size too.
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const int side = std::min(rect.width(), rect.height());
    QPixmap drawn = picture(static_cast<int>(std::lround(side * scale)));
    if (drawn.isNull())
        return;
    drawn.setDevicePixelRatio(scale);
    const QRect target(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2, side, side);
    painter->drawPixmap(target, drawn);
}

} // namespace monitor
