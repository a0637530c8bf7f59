#pragma once
// The suite's dialog font: "Tahoma" (the one of Debian's fonts-wine, found by
// fontconfig once its folder is registered, or loaded from that folder) when
// present, else "DejaVu Sans".
// Sizes are given in points and turned into pixels the way Windows does for a
// dialog template (height = points x logical dpi / 72, rounded), so that the
// dialog-unit metrics come out as they would there.

#include <QFont>
#include <QString>

namespace dialog {

class DialogFont {
public:
    static constexpr const char* preferredFamily = "Tahoma";
    static constexpr const char* fallbackFamily = "DejaVu Sans";
    static constexpr int defaultPointSize = 8;

    // The family used for dialog templates.
    static QString family();
    // The template font of the given size in points.
    static QFont font(int pointSize = defaultPointSize);
    // Point size to pixel height at the given logical dpi (Windows rounding).
    static int pixelHeight(int pointSize, int dpi);
    // Logical dpi of the primary screen; 96 without one.
    static int logicalDpi();
};

} // namespace dialog
