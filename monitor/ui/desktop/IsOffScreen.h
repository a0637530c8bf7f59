#pragma once
// Whether a window rectangle has left the work area of its nearest monitor:
// less than 5 pixels of it reach into the work area from the left or right,
// its top (the frame's title bar, by which it is moved) lies above the work
// area, or its top is at or below the work area's bottom. Right and bottom
// are exclusive (left + width, top + height).

#include "monitor/ui/desktop/ScreenList.h"

namespace monitor {

bool IsOffScreen(const ScreenList& screens, const QRect& window);

} // namespace monitor
