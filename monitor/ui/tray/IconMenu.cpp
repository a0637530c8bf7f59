#include "monitor/ui/tray/IconMenu.h"

#include "monitor/controls/LimitsWindowKind.h"

#include "monitor/ui/main/MainDialog.h"
#include "monitor/ui/tray/NotificationIcons.h"
#include "monitor/ui/placement/WindowPlacement.h"

#include <QCursor>
#include <QMenu>

namespace monitor {

IconMenu::IconMenu(NotificationIcons& icons, WindowPlacement& placement) : m_icons(icons), m_placement(placement) {}

void IconMenu::attachTo(NotificationIcons& icons)
{
    icons.setEventHandler([this](MainDialog& window, dialog::TrayEvent event) { handleEvent(window, event); });
    icons.setMenuFiller([this](MainDialog& window, QMenu& menu) { fillExported(menu, window); });
}

std::unique_ptr<QMenu> IconMenu::build(MainDialog& window) const
{
    auto menu = std::make_unique<QMenu>(&window);
    populate(*menu, window);
    return menu;
}

void IconMenu::fillExported(QMenu& menu, MainDialog& window)
{
    if (!window.records().running())
        return;
    populate(menu, window);
    for (QAction* action : menu.actions()) {
        if (!action->data().isValid())
            continue;
        const auto command = static_cast<IconMenuCommand>(action->data().toInt());
        // A command may take the icons, and this menu with them, away.
        QObject::connect(action, &QAction::triggered, &window, [this, &window, command] {
            QMetaObject::invokeMethod(
                &window, [this, &window, command] { runCommand(window, command); }, Qt::QueuedConnection);
        });
    }
}

void IconMenu::populate(QMenu& target, MainDialog& window) const
{
    const MonitorSettings& s = window.settings();
    QMenu* menu = &target;
    const auto add = [menu](const QString& text, IconMenuCommand command) {
        QAction* action = menu->addAction(text);
        action->setData(static_cast<int>(command));
        return action;
    };
    const auto addChecked = [&add](const char* text, IconMenuCommand command, bool checked) {
        QAction* action = add(QString::fromLatin1(text), command);
        action->setCheckable(true);
        action->setChecked(checked);
    };
    if (window.hasAboutBox()) {
        add(QStringLiteral("About..."), IconMenuCommand::About);
        menu->addSeparator();
    }
    const bool distance = (s.IconShow & NotificationIcons::DistanceBit) != 0;
    addChecked("Core Temperature", IconMenuCommand::CoreTemperature, !distance);
    addChecked("Distance to TJ Max", IconMenuCommand::DistanceToTjMax, distance);
    menu->addSeparator();
    const int mode = s.IconShow & (NotificationIcons::MinimumBit | NotificationIcons::MaximumBit |
                                   NotificationIcons::AverageBit);
    addChecked("Current", IconMenuCommand::Current, mode == 0);
    addChecked("Minimum", IconMenuCommand::Minimum, (s.IconShow & NotificationIcons::MinimumBit) != 0);
    addChecked("Maximum", IconMenuCommand::Maximum, (s.IconShow & NotificationIcons::MaximumBit) != 0);
    addChecked("Average", IconMenuCommand::Average, (s.IconShow & NotificationIcons::AverageBit) != 0);
    menu->addSeparator();
    add(QStringLiteral("Reset (Min/Max)"), IconMenuCommand::Reset);
    menu->addSeparator();
    const LimitsWindowKind limits = limitsWindowFor(window.records().info, window.records().measureFlavour);
    if (limits != LimitsWindowKind::None && window.hasLimitsWindow()) {
        add(QString::fromLatin1(limitsMenuText(limits)), IconMenuCommand::Limits);
        menu->addSeparator();
    }
    add(QStringLiteral("Redraw Icons"), IconMenuCommand::RedrawIcons);
    add(QStringLiteral("Move to Top Right"), IconMenuCommand::MoveToTopRight);
    menu->addSeparator();
    if (window.isVisible())
        add(QStringLiteral("Minimize"), IconMenuCommand::Minimize);
    if (!window.isVisible() || !window.windowRestored())
        add(QStringLiteral("Restore"), IconMenuCommand::Restore);
    add(QStringLiteral("Exit"), IconMenuCommand::Exit);
}

void IconMenu::handleEvent(MainDialog& window, dialog::TrayEvent event)
{
    if (!window.records().running())
        return;
    switch (event) {
    case dialog::TrayEvent::LeftButtonDown: // a single left click does nothing
        break;
    case dialog::TrayEvent::RightButtonDown:
        showMenu(window, QCursor::pos());
        break;
    case dialog::TrayEvent::LeftDoubleClick:
        toggleWindow(window);
        break;
    }
}

void IconMenu::showMenu(MainDialog& window, QPoint screenPoint)
{
    const std::unique_ptr<QMenu> menu = build(window);
    window.activateWindow();
    // The menu's bottom at the cursor, as for a menu over the task bar.
    const QAction* chosen = menu->exec(screenPoint - QPoint(0, menu->sizeHint().height()));
    if (chosen && chosen->data().isValid())
        runCommand(window, static_cast<IconMenuCommand>(chosen->data().toInt()));
}

void IconMenu::toggleWindow(MainDialog& window)
{
    // A window hidden in the notification area comes back whatever state
    // the window manager reported last (hiding an iconified window may be
    // reported as a return to the normal state).
    if (window.windowRestored() && window.isVisible())
        window.minimizeWindow();
    else
        window.restoreWindow();
}

void IconMenu::chooseMode(MainDialog& window, int modeBit)
{
    // Bits 8 to 11, less the GPU icon's bit where it is one of them (bit 8
    // of the six-core build).
    const int cleared = NotificationIcons::ModeBits & ~(1 << window.records().layout.gpuShowBit);
    int& show = window.settings().IconShow;
    show = (show & ~cleared) | modeBit;
}

void IconMenu::showTemperatures(MainDialog& window)
{
    // Clears the distance bit and every bit above it.
    window.settings().IconShow &= NotificationIcons::DistanceBit - 1;
}

void IconMenu::showDistances(MainDialog& window) { window.settings().IconShow |= NotificationIcons::DistanceBit; }

void IconMenu::runCommand(MainDialog& window, IconMenuCommand command)
{
    switch (command) {
    case IconMenuCommand::About:
        window.showAboutBox();
        break;
    case IconMenuCommand::CoreTemperature:
        showTemperatures(window);
        break;
    case IconMenuCommand::DistanceToTjMax:
        showDistances(window);
        break;
    case IconMenuCommand::Current:
        chooseMode(window, 0);
        break;
    case IconMenuCommand::Minimum:
        chooseMode(window, NotificationIcons::MinimumBit);
        break;
    case IconMenuCommand::Maximum:
        chooseMode(window, NotificationIcons::MaximumBit);
        break;
    case IconMenuCommand::Average:
        chooseMode(window, NotificationIcons::AverageBit);
        break;
    case IconMenuCommand::Reset:
        window.reset();
        break;
    case IconMenuCommand::Limits:
        window.showLimitsWindow();
        break;
    case IconMenuCommand::RedrawIcons:
        m_icons.redrawIcons(window);
        break;
    case IconMenuCommand::MoveToTopRight:
        m_placement.moveToTopRight(window);
        break;
    case IconMenuCommand::Minimize:
        window.minimizeWindow();
        break;
    case IconMenuCommand::Restore:
        window.restoreWindow();
        break;
    case IconMenuCommand::Exit:
        window.endProgram();
        break;
    }
}

} // namespace monitor
