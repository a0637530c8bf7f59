#pragma once
// The right-click menu of the graphics information windows: "Reset" and
// "Close", shown bottom-aligned at the cursor once the window is in front.

#include <QPoint>

class QWidget;

namespace monitor {

// The command chosen, 0 when the menu was left without a choice.
int runResetCloseMenu(QWidget& window, QPoint cursor, int resetCommand, int closeCommand);

} // namespace monitor
