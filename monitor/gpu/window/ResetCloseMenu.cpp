#include "monitor/gpu/window/ResetCloseMenu.h"

#include <QMenu>
#include <QWidget>

namespace monitor {

int runResetCloseMenu(QWidget& window, QPoint cursor, int resetCommand, int closeCommand)
{
    QMenu menu(&window);
    menu.addAction(QStringLiteral("Reset"))->setData(resetCommand);
    menu.addAction(QStringLiteral("Close"))->setData(closeCommand);
    window.raise();
    window.activateWindow();
    const QAction* chosen = menu.exec(cursor - QPoint(0, menu.sizeHint().height()));
    return chosen ? chosen->data().toInt() : 0;
}

} // namespace monitor
