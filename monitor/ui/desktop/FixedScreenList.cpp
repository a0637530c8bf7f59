#include "monitor/ui/desktop/FixedScreenList.h"

#include <algorithm>
#include <limits>

namespace monitor {

namespace {

long long sharedArea(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : static_cast<long long>(both.width()) * both.height();
}

// Squared gap between two rectangles (0 when they touch or overlap).
long long gapSquared(const QRect& a, const QRect& b)
{
    const long long dx = std::max({0, b.x() - (a.x() + a.width()), a.x() - (b.x() + b.width())});
    const long long dy = std::max({0, b.y() - (a.y() + a.height()), a.y() - (b.y() + b.height())});
    return dx * dx + dy * dy;
}

} // namespace

QRect FixedScreenList::nearestOf(const std::vector<QRect>& areas, const QRect& window)
{
    QRect best;
    long long bestShared = 0;
    long long bestGap = std::numeric_limits<long long>::max();
    for (const QRect& area : areas) {
        const long long shared = sharedArea(area, window);
        const long long gap = gapSquared(area, window);
        if (shared > bestShared || (bestShared == 0 && shared == 0 && gap < bestGap)) {
            best = area;
            bestShared = shared;
            bestGap = gap;
        }
    }
    return best;
}

} // namespace monitor
