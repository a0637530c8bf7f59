#pragma once
// A screen list made of given work areas, nearest chosen as the system
// does: most shared area first, then the shortest distance.

#include "monitor/ui/desktop/ScreenList.h"

#include <vector>

namespace monitor {

class FixedScreenList : public ScreenList {
public:
    explicit FixedScreenList(std::vector<QRect> workAreas) : m_workAreas(std::move(workAreas)) {}

    QRect workAreaNearest(const QRect& window) const override { return nearestOf(m_workAreas, window); }

    // The nearest of `areas` to `window`; an empty rectangle when there is none.
    static QRect nearestOf(const std::vector<QRect>& areas, const QRect& window);

private:
    std::vector<QRect> m_workAreas;
};

} // namespace monitor
