#pragma once
// The monitors of the desktop as window placement sees them: the work area
// (the screen less panels and docks) of the monitor nearest to a rectangle.
// The program asks Qt (QtScreenList); tests give fixed monitor layouts.

#include <QRect>

namespace monitor {

class ScreenList {
public:
    virtual ~ScreenList() = default;
    // The work area of the monitor that shares the most area with `window`,
    // or, when it lies on none, of the monitor closest to it.
    virtual QRect workAreaNearest(const QRect& window) const = 0;
};

} // namespace monitor
