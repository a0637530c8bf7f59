#pragma once
// A window shown again from its notification-area icon, until it becomes
// active: a window manager that still holds the window's old minimised state
// may report it once more, and that report is not the user's. The guard
// keeps the window up; a window that is never made active stops waiting
// after WaitMs.

class QEvent;
class QWidget;

namespace dialog {

class StaleMinimiseGuard {
public:
    static constexpr int WaitMs = 1000;

    // Before a hidden window is shown again.
    void comingBack(QWidget& window);
    // The program minimises the window itself: that is never stale.
    void cancel() { m_comingBack = false; }
    // From the window's changeEvent: true when the event is the stale
    // minimise, which the window then ignores (it has been shown again).
    bool swallow(QWidget& window, const QEvent& event);

private:
    bool m_comingBack = false;
};

} // namespace dialog
