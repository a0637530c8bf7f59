#include "monitor/ui/desktop/DescribedFont.h"

#include "dialog/DialogFont.h"

#include <QFontMetrics>

#include <cmath>

namespace monitor {

namespace {

// LOGFONT qualities: 3 non-antialiased, 4 antialiased, 5 and 6 ClearType.
constexpr uint8_t NonAntialiasedQuality = 3;

} // namespace

QFont fontFromDescription(const FontDescription& d)
{
    QFont font(dialog::DialogFont::font());
    font.setFamilies({QString::fromStdString(d.lfFaceName), dialog::DialogFont::family()});
    if (d.lfWeight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(d.lfWeight, 1, 1000)));
    font.setItalic(d.lfItalic != 0);
    font.setUnderline(d.lfUnderline != 0);
    font.setStrikeOut(d.lfStrikeOut != 0);
    font.setStyleStrategy(d.lfQuality == NonAntialiasedQuality ? QFont::NoAntialias : QFont::PreferAntialias);
    if (d.lfHeight < 0) {
        font.setPixelSize(-d.lfHeight);
    } else if (d.lfHeight > 0) {
        // The cell includes the internal leading: scale the em size so that
        // ascent plus descent come out at the requested height.
        font.setPixelSize(d.lfHeight);
        const int cell = QFontMetrics(font).height();
        if (cell > 0)
            font.setPixelSize(std::max(1, static_cast<int>(std::lround(double(d.lfHeight) * d.lfHeight / cell))));
    }
    return font;
}

QColor colourFromSetting(Colour colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

FontDescription descriptionFromFont(const QFont& font)
{
    // LOGFONT pitch and family: variable pitch (2) of the Swiss family (0x20),
    // or fixed pitch (1) of the modern family (0x30).
    constexpr uint8_t VariableSwiss = 0x22;
    constexpr uint8_t FixedModern = 0x31;
    // Points to pixels at the 96 dots per inch that dialog units assume.
    constexpr double PixelsPerPoint = 96.0 / 72.0;
    FontDescription d;
    const int pixels = font.pixelSize() > 0 ? font.pixelSize()
                                            : static_cast<int>(std::lround(font.pointSizeF() * PixelsPerPoint));
    d.lfHeight = -std::max(1, pixels);
    d.lfWeight = static_cast<int>(font.weight());
    d.lfItalic = font.italic() ? 1 : 0;
    d.lfPitchAndFamily = font.fixedPitch() ? FixedModern : VariableSwiss;
    d.lfFaceName = font.family().left(31).toStdString();
    return d;
}

Colour settingFromColour(const QColor& colour)
{
    return static_cast<Colour>(colour.red()) | static_cast<Colour>(colour.green()) << 8 |
           static_cast<Colour>(colour.blue()) << 16;
}

} // namespace monitor
