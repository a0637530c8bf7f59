#pragma once
// The main window's place on the desktop: the position restored from
// WindowXY, the move to the top-right corner of the work area, the anchor
// position and the switch between the normal and the mini layout. Every
// placement is checked against the work area of the nearest monitor and
// undone when the window would leave it (IsOffScreen).
//
// The mini layout is a frameless window (Qt::FramelessWindowHint) whose
// whole area is the client area: 312 x 123 pixels, centred over the normal
// window, as wide as that always and stretchable downwards by 257 pixels.
// Window managers on Linux give a frameless window no sizing border, so the
// bottom edge is stretched with the size grip of the dialog instead.

#include "monitor/settings/SettingsStore.h"
#include "monitor/ui/desktop/CompositionCorrection.h"
#include "monitor/ui/main/MainDialogPlacement.h"

#include <QRect>
#include <QSize>

#include <array>

namespace monitor {

class ScreenList;

class WindowPlacement : public MainDialogPlacement {
public:
    static constexpr int MiniClientWidth = 312;
    static constexpr int MiniClientHeight = 123;
    static constexpr int MiniStretch = 257;
    // At least this much of the mini window stays below the work area's top.
    static constexpr int MiniTopMargin = 5;

    WindowPlacement(const ScreenList& screens, Composition composition);

    void restoreWindowPosition(MainDialog& window) override;
    void moveToTopRight(MainDialog& window);
    void toggleMiniMode(MainDialog& window) override;

    // The anchor commands; false when the move to the anchor was undone.
    void setAnchorPosition(MainDialog& window);
    bool moveToAnchor(MainDialog& window);

    bool miniLayout() const { return m_miniLayout; }
    const ScreenList& screens() const { return m_screens; }

private:
    WindowForm form() const { return m_miniLayout ? WindowForm::Mini : WindowForm::Normal; }
    QPoint correction(PlacementOperation operation) const;
    // Moves the window's frame to `target`; when that is off the work area,
    // back to `before`. False when it was moved back.
    bool moveChecked(MainDialog& window, const QRect& target, const QRect& before);
    void enterMiniLayout(MainDialog& window);
    void leaveMiniLayout(MainDialog& window);

    const ScreenList& m_screens;
    Composition m_composition;
    bool m_miniLayout = false;
    QRect m_savedNormalRect;
    QSize m_savedClientSize;
    QSize m_savedMinimumSize;
    QSize m_savedMaximumSize;
    Qt::WindowFlags m_savedFlags;
    int m_miniWidth = 0;
    int m_miniHeight = 0;
};

} // namespace monitor
