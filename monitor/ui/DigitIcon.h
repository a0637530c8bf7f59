#pragma once
// The pictures of the notification-area icons: a number in a colour and font
// on a transparent background, drawn at each size a notification area may
// ask for, with a thin margin of a contrasting colour so that the digits read
// on light and dark panels alike.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

namespace monitor {

// ThreeDigit: whether values of 100 and more keep their hundreds.
enum class DigitCount { Two, Three };

// The sides, in pixels, of the pictures of every digit icon; the small-icon
// size is added when it is none of them. The icon font is meant for 16.
inline constexpr std::array<int, 5> DigitIconSides{16, 22, 24, 32, 48};

// The text drawn for a value: with two digits, 100 and more lose the hundred
// and keep a leading zero (105 -> "05", 123 -> "23"); otherwise "%d".
QString digitIconText(int value, DigitCount digits);

// The system's small-icon size.
QSize smallIconSize();

// The digits centred on transparent pictures of every side, the font scaled
// to each and the digits made narrower, then smaller, where they would not
// fit; nothing when a picture cannot be made.
std::optional<QIcon> makeDigitIcon(int value, const QColor& colour, const std::optional<QFont>& font,
                                   DigitCount digits);

} // namespace monitor
