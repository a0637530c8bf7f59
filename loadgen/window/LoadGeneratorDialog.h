#pragma once
// Morvath's one window: ten slot check boxes, Select All, Clear All, and the
// Load CPU / Stop buttons. Load CPU runs the load loop inside its own
// handler, on the window's thread; the window's events are handled between
// slots, which is how Stop, the slot boxes and closing reach a running loop.

#include "dialog/DialogWindow.h"
#include "dialog/StandardIds.h"
#include "loadgen/LoadLoop.h"
#include "loadgen/MonotonicLoadClock.h"
#include "loadgen/SlotSelection.h"

#include <memory>

namespace loadgen {

enum LoadGeneratorId : int {
    IdLoadCpu = 1000,
    IdStop = 1001,
    IdElapsed = 1002,
    IdSlot0 = 1003, // slots 0..4 upper row, 5..9 (1008..1012) lower row
    IdSelectAll = 1013,
    IdClearAll = 1014,
    IdLoadPercent = 1015,
};

class LoadGeneratorDialog : public dialog::DialogWindow, private LoadLoopHost {
    Q_OBJECT
public:
    // On the real clock.
    explicit LoadGeneratorDialog(QWidget* parent = nullptr);
    // On the given clock (tests).
    explicit LoadGeneratorDialog(LoadClock& clock, QWidget* parent = nullptr);
    ~LoadGeneratorDialog() override;

    const SlotSelection& selection() const { return m_selection; }
    bool isRunning() const { return m_running; }

protected:
    void onOk() override;
    void onCancel() override;
    void onEnter(int focusedControl) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void initialise();
    void toggleSlot(int slot);
    void selectAll();
    void clearAll();
    void loadCpu();
    void stop();
    void closeWindow(int code);
    void showLoadPercent();
    void showIdle();

    // LoadLoopHost
    uint32_t slotMask() const override { return m_selection.mask(); }
    bool running() const override { return m_running; }
    void secondCompleted(int64_t elapsedSeconds) override;
    void dispatchEvents() override;

    std::unique_ptr<MonotonicLoadClock> m_ownClock;
    LoadClock& m_clock;
    SlotSelection m_selection;
    bool m_running = false;
    bool m_timerPeriodHeld = false;
};

} // namespace loadgen
