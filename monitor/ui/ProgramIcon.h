#pragma once
// The monitor's program icon (the window's large and small icon): a
// thermometer drawn at the usual icon sizes.

#include <QIcon>

namespace monitor {

QIcon programIcon();

} // namespace monitor
