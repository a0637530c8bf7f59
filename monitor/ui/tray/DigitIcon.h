#pragma once
// The pictures of the notification-area icons: a number in a colour and font
// on a transparent background, drawn at the size the notification area asks
// for (DigitIconEngine).

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QSize>
#include <QString>

#include <optional>

namespace monitor {

// ThreeDigit: whether values of 100 and more keep their hundreds.
enum class DigitCount { Two, Three };

// The text drawn for a value: with two digits, 100 and more lose the hundred
// and keep a leading zero (105 -> "05", 123 -> "23"); otherwise "%d".
QString digitIconText(int value, DigitCount digits);

// The system's small-icon size.
QSize smallIconSize();

// The digits centred on a transparent picture of any size; nothing when the
// picture of the small-icon size cannot be made.
std::optional<QIcon> makeDigitIcon(int value, const QColor& colour, const std::optional<QFont>& font,
                                   DigitCount digits);

} // namespace monitor
