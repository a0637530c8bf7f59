#pragma once
// The desktop's monitors as Qt reports them now (QGuiApplication::screens,
// QScreen::availableGeometry), so a monitor that was removed is gone.

#include "monitor/ui/desktop/ScreenList.h"

namespace monitor {

class QtScreenList : public ScreenList {
public:
    QRect workAreaNearest(const QRect& window) const override;
};

} // namespace monitor
