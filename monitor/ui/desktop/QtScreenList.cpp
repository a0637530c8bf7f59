#include "monitor/ui/desktop/QtScreenList.h"

#include "monitor/ui/desktop/FixedScreenList.h"

#include <QGuiApplication>
#include <QScreen>

namespace monitor {

QRect QtScreenList::workAreaNearest(const QRect& window) const
{
    std::vector<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.push_back(screen->availableGeometry());
    return FixedScreenList::nearestOf(areas, window);
}

} // namespace monitor
