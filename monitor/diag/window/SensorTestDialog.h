#pragma once
// The Sensor Test window (dialog 148). At opening it runs the sensor
// movement test: each core's readout at rest, every logical processor loaded
// for four seconds by idle-priority threads, the readout again, and the
// movement per core. "Start" runs the 614-second cool-down test: the stress
// program the user chooses heats the processor for 200 seconds, then the
// on-demand clock modulation steps the processor down from 87.5 % to 12.5 %
// duty in seven 46-second tests, the stress program is ended and two idle
// tests follow. Each test shows the mean distance to TjMax per core and the
// mean processor load.
//
// While a test runs the window owns the processor's clock modulation: it is
// switched off at Start and the value found at opening is written back on
// Stop and when the window goes, which also ends the stress program.

#include "dialog/DialogWindow.h"
#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/diag/StressProgram.h"
#include "monitor/settings/SettingsStore.h"

#include <QRect>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace monitor {

enum SensorTestId : int {
    IdMovement0 = 1001, // 1001..1004, cores 0..3
    IdStart = 1120,
    IdStop = 1121,
    IdDownload = 1122,
    IdStatus = 1141,
};

// Core slots the window shows.
constexpr int SensorTestSlots = 4;
// Readouts (degrees below TjMax) of core slots 0..3; 0 for an absent core.
using SlotReadouts = std::array<int, SensorTestSlots>;

// What the window uses of its surroundings. Empty functions take the
// defaults given with each.
struct SensorTestEnvironment {
    // The readouts of core slots 0..3 (default: the thermal status register
    // of each present core, pinned to its processors).
    std::function<SlotReadouts()> readReadouts;
    // Starts one load thread for the movement test; the logical processor
    // it is for is only counted (default: an idle-priority thread, not
    // pinned, running BenchWorkload(10) to its end).
    std::function<void(int cpu)> startLoadThread;
    // The window thread's wait of the movement test (default: the processor's Sleep).
    std::function<void(uint32_t milliseconds)> sleep;
    // Opens a web address in the user's browser (default: none is opened).
    std::function<void(const std::string& address)> openAddress;
    // The stress program (default: run as the invoking user when root).
    std::unique_ptr<StressProgram> stressProgram;
    Composition composition = Composition::Off;
};

// Where the window goes beside the main window: top edges aligned, on the
// side of the main window with more room on a screen `screenWidth` wide, a
// further 10 away with desktop composition.
QPoint sensorTestPosition(const QRect& mainWindow, int screenWidth, int width, Composition composition);

class SensorTestDialog : public dialog::DialogWindow {
    Q_OBJECT
public:
    // Timer of the cool-down test.
    static constexpr int TestTimer = 2;
    // The second of the last result; the test then stops.
    static constexpr int LastSecond = 614;
    static constexpr const char* DownloadAddress = "https://www.mersenne.org/download/";

    SensorTestDialog(MonitorRecords& records, SensorTestEnvironment environment, QWidget* parent = nullptr);

    // The "Sensor Test" button of the main window: the button reads
    // "Testing..." and is disabled while the window runs modally beside the
    // main window. When the main window ends meanwhile (Exit, a termination
    // signal) the test window closes first, so the stress program is ended
    // and the clock modulation written back before the monitor shuts down.
    static void runFrom(dialog::DialogWindow& mainWindow, MonitorRecords& records, int screenWidth,
                        SensorTestEnvironment environment);
    // Kills the timer, writes back the saved clock modulation and ends a
    // running stress program.
    ~SensorTestDialog() override;

    // The opening: the movement test, then the place beside the main window.
    void open(const QRect& mainWindow, int screenWidth);

    // One second of the cool-down test (the handler of TestTimer).
    void handleTimer();

    // State the tests read.
    int testSeconds() const { return m_testSeconds; }
    bool primeRunning() const { return m_primeRunning; }
    uint32_t savedClockModulation() const { return m_savedClockModulation; }
    int idleSum() const { return m_idleSum; }
    int coreCount() const { return m_coreCount; }
    StressProgram& stressProgram() { return *m_stress; }

    // The cells of result row 1..10: core slot 0..3, and the load cell.
    static int rowCell(int row, int slot);
    static int loadCell(int row);

protected:
    void onTimer(int id) override;

private:
    void runMovementTest();
    void start();
    void stop();
    void download();
    void closeDown();

    SlotReadouts readReadouts();
    bool present(int slot) const;
    double averageLoad() const;
    void addSamples(const SlotReadouts& readouts);
    void showRow(int row);
    void showMinimumRow();
    void showLoad(int row);
    void checkStressProgram(int second);
    void writeClockModulation(uint32_t value);
    void setStatus(const QString& text);

    MonitorRecords& m_records;
    SensorTestEnvironment m_environment;
    std::unique_ptr<StressProgram> m_stress;

    SlotReadouts m_idleReadout{};
    int m_idleSum = 0;
    int m_coreCount = 0;
    SlotReadouts m_minReadout{};
    SlotReadouts m_readoutSum{};
    double m_loadSum = 0.0;
    int m_testSeconds = 0;
    uint32_t m_savedClockModulation = 0;
    bool m_primeRunning = false;
    bool m_closedDown = false;
};

} // namespace monitor
