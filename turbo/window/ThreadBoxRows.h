#pragma once
// The boxes of the logical CPUs beyond the window's first sixteen: rows of
// eight below the two rows of each group ("Multiplier - Thread" and "C0
// State Percent"), built like the boxes above them. Both groups then sit in
// one area that scrolls when the grown window would be taller than the
// screen; the controls below the groups move down with the groups' growth
// and stay in view.

#include <QRect>
#include <QString>

#include <memory>
#include <vector>

class QLineEdit;
class QScrollArea;
class QWidget;

namespace dialog {
class DialogWindow;
}

namespace turbo {

class ThreadBoxRows {
public:
    static constexpr int kBoxesPerRow = 8;

    // Grows the window's two groups to `slotCount` boxes each. The vectors
    // hold the first sixteen boxes of each group in slot order and receive
    // the new ones. Null when there is nothing to add or the window lacks
    // the groups.
    static std::unique_ptr<ThreadBoxRows> grow(dialog::DialogWindow& window, int slotCount,
                                               std::vector<QLineEdit*>& multiplierBoxes,
                                               std::vector<QLineEdit*>& c0Boxes);

    // Sizes the window to its whole height when its frame fits in the
    // height of `workArea`, else shortens the area by the difference and
    // lets it scroll; a shown window is then kept inside the work area. Run
    // again whenever the frame or the screen may have changed (the frame is
    // known for sure once the window is shown).
    void fit(const QRect& workArea);

    QScrollArea* area() const { return m_area; }

    // The names a box of CPU `cpu` goes by, shown as its tooltip and given
    // to accessibility tools.
    static QString multiplierName(int cpu);
    static QString c0Name(int cpu);

private:
    ThreadBoxRows(dialog::DialogWindow& window, QScrollArea* area) : m_window(window), m_area(area) {}

    dialog::DialogWindow& m_window;
    QScrollArea* m_area;
    std::vector<QWidget*> m_below; // the controls under the groups
    int m_top = 0;                 // where the area starts in the window
    int m_height = 0;              // the area's height now
    int m_naturalHeight = 0;       // the groups' whole height
    int m_width = 0;               // the window's width without a scroll bar
    int m_minimumHeight = 0;       // the area never gets shorter than this
};

} // namespace turbo
