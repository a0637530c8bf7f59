#pragma once
// Draws the digits of a notification-area icon at whatever size the
// notification area asks for: the icon font (meant for 16 px) scaled to the
// picture, digits too wide for it drawn narrower (down to three quarters) and
// then smaller, centred by their ink, with a thin rim of a contrasting colour
// so that they read on light and dark panels alike. Pictures already drawn
// are kept for the sizes asked again.

#include <QColor>
#include <QFont>
#include <QIconEngine>
#include <QPixmap>
#include <QString>

#include <array>
#include <utility>
#include <vector>

namespace monitor {

// The sizes the icon offers (the usual ones of panels); any other is drawn
// when asked for. The icon font is meant for 16.
inline constexpr std::array<int, 5> DigitIconSides{16, 22, 24, 32, 48};

class DigitIconEngine : public QIconEngine {
public:
    DigitIconEngine(QString text, QColor colour, QFont font);

    QIconEngine* clone() const override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;

    // The square picture of this side; null when it cannot be made.
    QPixmap picture(int side);

private:
    static constexpr size_t MaxPictures = 4;

    QString m_text;
    QColor m_colour;
    QFont m_font;
    std::vector<std::pair<int, QPixmap>> m_pictures;
};

} // namespace monitor
