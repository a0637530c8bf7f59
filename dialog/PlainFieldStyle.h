#pragma once
// The look of read-only single-line fields: the application style's frame
// drawn as plain lines (no anti-aliased rounded stroke), filling the whole
// rectangle. A field so drawn is opaque, so a new value repaints that field
// alone and nothing behind it (the group box, the window). Everything but the
// field's panel is left to the application style.
//
// Group boxes under the Fusion style get that style's light rounded frame
// from a picture drawn here once, not from the style's image file: reading
// an image file makes Qt load every image-format plug-in it has, which a
// window of figures never needs.

#include <QPixmap>
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
    // Gives a group box its frame from the picture drawn here.
    static void applyToGroup(QWidget* group);

private:
    PlainFieldStyle();
    void drawGroupFrame(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;

    mutable QPixmap m_groupFrame; // nine-patch: 6-pixel corners around one stretched pixel
};

} // namespace dialog
