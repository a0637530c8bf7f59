#pragma once
// The text of a control, whatever its kind: a label's or button's text, an
// edit's contents, a group box's title, a combo box's current text, a list's
// current line; and reading such a text as a whole number.

#include <QString>

#include <optional>

class QWidget;

namespace dialog {

enum class NumberSign { Unsigned, Signed };

class ControlText {
public:
    static QString get(const QWidget* control);
    // Sets the text; a combo box or list without an edit field selects the
    // line with that text (none when there is no such line).
    static void set(QWidget* control, const QString& text);
    // Like GetDlgItemInt: leading blanks, a '-' only when signed, then digits
    // and nothing else; empty when that is not so. A number beyond the range
    // of int gives the nearest end of that range.
    static std::optional<int> parseNumber(const QString& text, NumberSign sign);
};

} // namespace dialog
