#include "monitor/ui/placement/MainContextMenu.h"

#include "monitor/controls/LimitsWindowKind.h"

#include "monitor/ui/main/MainDialog.h"
#include "monitor/ui/placement/WindowPlacement.h"

#include <QMenu>

namespace monitor {

MainContextMenu::MainContextMenu(WindowPlacement& placement) : m_placement(placement) {}

std::unique_ptr<QMenu> MainContextMenu::build(MainDialog& window) const
{
    auto menu = std::make_unique<QMenu>(&window);
    const auto add = [&menu](const char* text, int command) {
        menu->addAction(QString::fromLatin1(text))->setData(command);
    };
    add("Set Anchor Position", ID_SET_ANCHOR);
    add("Move To Anchor", ID_MOVE_TO_ANCHOR);
    menu->addSeparator();
    add("Set Log File Location", ID_SET_LOG_FILE);
    menu->addSeparator();
    // The limits window is otherwise only in the notification-area menu.
    const LimitsWindowKind limits = limitsWindowFor(window.records().info, window.records().measureFlavour);
    if (limits != LimitsWindowKind::None && window.hasLimitsWindow() && !window.notificationAreaExists()) {
        add(limitsMenuText(limits), ID_LIMITS);
        menu->addSeparator();
    }
    add("Minimize", ID_MINIMIZE);
    add("Exit", ID_EXIT);
    const QList<QAction*> system = window.systemMenuActions();
    if (!system.isEmpty()) {
        menu->addSeparator();
        menu->addActions(system);
    }
    return menu;
}

void MainContextMenu::show(MainDialog& window, QPoint screenPoint)
{
    const std::unique_ptr<QMenu> menu = build(window);
    window.raise();
    window.activateWindow();
    const QAction* chosen = menu->exec(screenPoint - QPoint(0, menu->sizeHint().height()));
    // System-menu entries run themselves; they carry no command data.
    if (chosen && chosen->data().isValid())
        runCommand(window, chosen->data().toInt());
}

void MainContextMenu::runCommand(MainDialog& window, int command)
{
    switch (command) {
    case ID_SET_ANCHOR:
        m_placement.setAnchorPosition(window);
        break;
    case ID_MOVE_TO_ANCHOR:
        m_placement.moveToAnchor(window);
        break;
    case ID_SET_LOG_FILE:
        chooseLogFile(window);
        break;
    case ID_LIMITS:
        window.showLimitsWindow();
        break;
    case ID_MINIMIZE:
        window.minimizeWindow();
        break;
    case ID_EXIT:
        window.endProgram();
        break;
    default:
        break;
    }
}

void MainContextMenu::chooseLogFile(MainDialog& window)
{
    dialog::FileDialogRequest request;
    request.mode = dialog::FileDialogMode::Save;
    request.title = QStringLiteral("Save Ostrel Log File As");
    request.fileName = QStringLiteral("OstrelLog");
    request.filter = QStringLiteral("All Files (*.*)|*.*||");
    const std::optional<QString> chosen = window.services().chooseFile(&window, request);
    if (!chosen)
        return;
    // The log adds its own extension to this base name.
    QString base = *chosen;
    base.remove(QStringLiteral(".txt")).remove(QStringLiteral(".csv"));
    window.settings().LogFileName = base.toStdString();
}

} // namespace monitor
