#pragma once
// Where a window opened from the main window goes horizontally: beside it,
// on the side of the screen with more room, `gap` pixels away (the monitor
// keeps 10 pixels with desktop composition, none without).

#include <QRect>

namespace dialog {

// The left edge for a window `width` pixels wide (frames included).
int besideOwnerLeft(const QRect& owner, int screenWidth, int width, int gap);

} // namespace dialog
