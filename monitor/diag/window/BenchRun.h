#pragma once
// The "ZB Bench" run of the main window: twenty runs of the workload on the
// user-interface thread, timed by the performance counter and the tick
// count, with the window's pending events handled after every second run
// (that is where the sampling goes on and where a click of Cancel, the
// relabelled Reset button, arrives), then the "ZB Bench Score" box.

#include "dialog/DialogWindow.h"
#include "monitor/lifecycle/MonitorRecords.h"

#include <cstdint>
#include <functional>

namespace monitor {

// The clocks and clock figures the run reads.
class BenchClocks {
public:
    virtual ~BenchClocks() = default;
    // Whether a high-resolution counter exists.
    virtual bool counterAvailable() = 0;
    virtual int64_t counter() = 0;
    virtual uint32_t tickCount() = 0;
    // Figures of the clock measurement: time-stamp ticks per counter tick,
    // the time-stamp frequency and the current core clock.
    virtual double tscPerCounterTick() = 0;
    virtual double tscMHz() = 0;
    virtual double coreClockMHz() = 0;
};

// The processor's clocks and the monitor's clock measurement.
class MonitorBenchClocks : public BenchClocks {
public:
    explicit MonitorBenchClocks(MonitorRecords& records) : m_records(records) {}
    bool counterAvailable() override { return m_records.processor.performanceFrequency() > 0; }
    int64_t counter() override { return m_records.processor.performanceCounter(); }
    uint32_t tickCount() override { return m_records.processor.tickCount(); }
    double tscPerCounterTick() override { return m_records.shared->tscPerQpcTick.load(); }
    double tscMHz() override { return m_records.shared->tscMHz.load(); }
    double coreClockMHz() override { return m_records.shared->coreClockMHz.load(); }

private:
    MonitorRecords& m_records;
};

// The main window's stop request: set by Cancel and by the close request.
struct BenchStopRequest {
    std::function<bool()> requested;
    std::function<void()> clear;
};

class BenchRun {
public:
    // Runs of the workload per press.
    static constexpr int Runs = 20;
    using Workload = std::function<int64_t()>;

    // `workload` defaults to BenchWorkload(1).
    BenchRun(dialog::DialogWindow& window, MonitorRecords& records, BenchClocks& clocks, BenchStopRequest stop,
             Workload workload = {});

    // The whole press of "ZB Bench"; returns when the box is closed.
    void run();

private:
    void disableWindow();
    void restoreButtons();

    dialog::DialogWindow& m_window;
    MonitorRecords& m_records;
    BenchClocks& m_clocks;
    BenchStopRequest m_stop;
    Workload m_workload;
    bool m_sensorTestEnabled = false;
    bool m_settingsEnabled = false;
};

} // namespace monitor
