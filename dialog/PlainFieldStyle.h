#pragma once
// The look of read-only single-line fields: the application style's frame
// drawn as plain lines (no anti-aliased rounded stroke), filling the whole
// rectangle. A field so drawn is opaque, so a new value repaints that field
// alone and nothing behind it (the group box, the window). Everything but the
// field's panel is left to the application style.

#include <QProxyStyle>

namespace dialog {

class PlainFieldStyle : public QProxyStyle {
public:
    // One per application, owned by it; created on first use.
    static PlainFieldStyle* instance();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

    // Gives a read-only bordered QLineEdit this look and marks it opaque.
    static void apply(QWidget* field);

private:
    PlainFieldStyle();
};

} // namespace dialog
