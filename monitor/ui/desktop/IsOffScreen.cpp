#include "monitor/ui/desktop/IsOffScreen.h"

namespace monitor {

bool IsOffScreen(const ScreenList& screens, const QRect& window)
{
    constexpr int Visible = 5;
    const QRect work = screens.workAreaNearest(window);
    const int left = window.x();
    const int top = window.y();
    const int right = left + window.width();
    const int workRight = work.x() + work.width();
    const int workBottom = work.y() + work.height();
    return workRight - left < Visible || right - work.x() < Visible || top < work.y() || top >= workBottom;
}

} // namespace monitor
