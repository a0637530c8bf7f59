#pragma once
// The monitor's program icon (the window's large and small icon and the
// notification-area fallback): the project's logo at the usual icon sizes.

#include <QIcon>

namespace monitor {

QIcon programIcon();

} // namespace monitor
