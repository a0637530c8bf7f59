#pragma once
// Dialog units to pixels, as Windows converts a dialog template: the base
// units are the font's average character width (the width of "A".."Z" and
// "a".."z" divided by 52, rounded) and its character height (ascent plus
// descent from the font's Windows metrics when it has them); then
// x px = x dlu * width / 4 and y px = y dlu * height / 8, rounded.

#include <QFont>
#include <QRect>

namespace dialog {

class DialogUnits {
public:
    DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}
    explicit DialogUnits(const QFont& font);

    int baseX() const { return m_baseX; }
    int baseY() const { return m_baseY; }

    int toPixelsX(int dlu) const { return mulDiv(dlu, m_baseX, 4); }
    int toPixelsY(int dlu) const { return mulDiv(dlu, m_baseY, 8); }
    QRect toPixels(int x, int y, int w, int h) const;

    // Windows' average character width: (extent of the 52 letters / 26 + 1) / 2.
    static int averageCharWidth(const QFont& font);
    // Windows' character height: rounded ascent plus rounded descent of the
    // font's OS/2 "win" metrics, or Qt's height when the font has no such table.
    static int charHeight(const QFont& font);
    // a * b / c rounded half away from zero, like Windows' MulDiv.
    static int mulDiv(int a, int b, int c);

private:
    int m_baseX;
    int m_baseY;
};

} // namespace dialog
