#include "monitor/ui/placement/WindowPlacement.h"

#include "dialog/MessageBoxStyle.h"
#include "monitor/settings/PackedPosition.h"
#include "monitor/ui/desktop/IsOffScreen.h"
#include "monitor/ui/main/MainDialog.h"
#include "monitor/ui/desktop/ScreenList.h"

namespace monitor {

namespace {

constexpr int CompositionFrame = 5;

// Horizontal centre of a rectangle whose right edge is left + width.
int centreX(const QRect& rect)
{
    return (rect.x() + rect.x() + rect.width()) / 2;
}

} // namespace

WindowPlacement::WindowPlacement(const ScreenList& screens, Composition composition)
    : m_screens(screens), m_composition(composition)
{
}

QPoint WindowPlacement::correction(PlacementOperation operation) const
{
    return CompositionCorrection(operation, form(), m_composition);
}

bool WindowPlacement::moveChecked(MainDialog& window, const QRect& target, const QRect& before)
{
    window.moveFrameTo(target.topLeft());
    if (!IsOffScreen(m_screens, target))
        return true;
    window.moveFrameTo(before.topLeft());
    return false;
}

void WindowPlacement::restoreWindowPosition(MainDialog& window)
{
    const QRect before = window.frameRect();
    const ScreenPoint stored = unpackPosition(window.settings().WindowXY);
    QRect target = before;
    target.moveTopLeft(QPoint(stored.x, stored.y) + correction(PlacementOperation::RestoreWindowPosition));
    moveChecked(window, target, before);
}

void WindowPlacement::moveToTopRight(MainDialog& window)
{
    window.restoreWindow();
    const QRect before = window.frameRect();
    const QRect work = m_screens.workAreaNearest(before);
    QRect target = before;
    target.moveTopLeft(QPoint(work.x() + work.width() - before.width(), work.y()) +
                       correction(PlacementOperation::MoveToTopRight));
    moveChecked(window, target, before);
}

void WindowPlacement::setAnchorPosition(MainDialog& window)
{
    const QRect place = window.frameRect().translated(correction(PlacementOperation::SetAnchor));
    const std::array<int, 4> old = window.anchorRect();
    window.setAnchorRect({place.x(), place.y(), place.x() + place.width(), place.y() + place.height()});
    QString text;
    if (place.x() == old[0] && place.y() == old[1])
        text = QStringLiteral("Current Position\n( %1, %2 )\n").arg(place.x()).arg(place.y());
    else
        text = QStringLiteral("Previous Position\n( %1, %2 )\n\nNew Position\n( %3, %4 )\n")
                   .arg(old[0])
                   .arg(old[1])
                   .arg(place.x())
                   .arg(place.y());
    window.messageBox(text, QStringLiteral("Anchor Position"), dialog::MB_OK);
}

bool WindowPlacement::moveToAnchor(MainDialog& window)
{
    window.endDrag();
    const QRect before = window.frameRect();
    const std::array<int, 4>& anchor = window.anchorRect();
    const QRect target(QPoint(anchor[0], anchor[1]) + correction(PlacementOperation::MoveToAnchor), before.size());
    if (moveChecked(window, target, before))
        return true;
    window.messageBox(QStringLiteral("Screen position is not available.\nSet a new Anchor Position."),
                      QStringLiteral("Error"), dialog::MB_OK | dialog::MB_ICONERROR);
    return false;
}

void WindowPlacement::toggleMiniMode(MainDialog& window)
{
    MonitorSettings& s = window.settings();
    s.MiniMode = !s.MiniMode;
    if (s.MiniMode)
        enterMiniLayout(window);
    else
        leaveMiniLayout(window);
}

void WindowPlacement::enterMiniLayout(MainDialog& window)
{
    window.applyHeadingTheme();

    m_savedNormalRect = window.frameRect();
    if (m_composition == Composition::On)
        m_savedNormalRect.adjust(-CompositionFrame, -CompositionFrame, CompositionFrame, CompositionFrame);
    m_savedClientSize = window.size();
    m_savedMinimumSize = window.minimumSize();
    m_savedMaximumSize = window.maximumSize();

    m_savedFlags = window.windowFlags();
    // No caption, system menu or boxes: only the window type and the
    // always-on-top state stay.
    const Qt::WindowFlags miniFlags = (m_savedFlags & (Qt::WindowType_Mask | Qt::WindowStaysOnTopHint)) |
                                      Qt::FramelessWindowHint;
    window.changeWindowFlags(miniFlags);

    window.setMinimumSize(0, 0);
    window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window.resize(MiniClientWidth, MiniClientHeight);
    window.moveFrameTo(m_savedNormalRect.topLeft());

    // The frame around the client area, whatever the window manager draws.
    const QRect frame = window.frameRect();
    const QSize border = frame.size() - window.size();
    QRect mini(frame.topLeft(), QSize(MiniClientWidth, MiniClientHeight) + border);
    mini.translate(centreX(m_savedNormalRect) - centreX(mini), 0);
    m_miniWidth = mini.width();
    m_miniHeight = mini.height();

    const int workTop = m_screens.workAreaNearest(mini).y();
    while (mini.y() + mini.height() - MiniTopMargin < workTop)
        mini.translate(0, 1);

    m_miniLayout = true;
    window.setMinimumSize(m_miniWidth - border.width(), m_miniHeight - border.height());
    window.setMaximumSize(m_miniWidth - border.width(), m_miniHeight + MiniStretch - border.height());
    window.setSizeGripEnabled(true);
    window.moveFrameTo(mini.topLeft());
    window.resize(mini.size() - border);

    if (m_composition == Composition::On)
        m_savedNormalRect.adjust(CompositionFrame, CompositionFrame, -CompositionFrame, -CompositionFrame);
    window.update();
}

void WindowPlacement::leaveMiniLayout(MainDialog& window)
{
    m_miniLayout = false;
    window.applyHeadingTheme();

    const int centre = centreX(window.frameRect());
    window.setSizeGripEnabled(false);
    window.changeWindowFlags(m_savedFlags);
    window.setMinimumSize(m_savedMinimumSize);
    window.setMaximumSize(m_savedMaximumSize);
    window.resize(m_savedClientSize);

    const QRect frame = window.frameRect();
    QRect normal(frame.topLeft(), m_savedNormalRect.size());
    normal.translate(centre - centreX(normal), m_composition == Composition::On ? CompositionFrame : 0);
    window.moveFrameTo(normal.topLeft());
    window.update();
}

} // namespace monitor
