#include "monitor/diag/window/BenchRun.h"

#include "dialog/MessageBoxStyle.h"
#include "monitor/diag/BenchReport.h"
#include "monitor/diag/BenchWorkload.h"
#include "monitor/ui/main/MainDialogTemplate.h"

#include <QCoreApplication>

namespace monitor {

BenchRun::BenchRun(dialog::DialogWindow& window, MonitorRecords& records, BenchClocks& clocks, BenchStopRequest stop,
                   Workload workload)
    : m_window(window)
    , m_records(records)
    , m_clocks(clocks)
    , m_stop(std::move(stop))
    , m_workload(workload ? std::move(workload) : Workload([] { return BenchWorkload(1); }))
{
}

void BenchRun::disableWindow()
{
    m_window.setText(IDC_BENCH, QStringLiteral("Testing..."));
    m_window.setEnabled(IDC_BENCH, false);
    // The buttons come back as they were: one whose window is not there stays disabled.
    m_sensorTestEnabled = m_window.isEnabled(IDC_SENSOR_TEST);
    m_settingsEnabled = m_window.isEnabled(IDC_SETTINGS);
    m_window.setEnabled(IDC_SENSOR_TEST, false);
    m_window.setEnabled(IDC_SETTINGS, false);
    m_window.setText(IDC_RESET, QStringLiteral("Cancel"));
}

void BenchRun::restoreButtons()
{
    m_window.setText(IDC_BENCH, QStringLiteral("Done"));
    m_window.setEnabled(IDC_SENSOR_TEST, m_sensorTestEnabled);
    m_window.setEnabled(IDC_SETTINGS, m_settingsEnabled);
}

void BenchRun::run()
{
    if (m_clocks.counterAvailable()) {
        m_records.access.unpin();
        m_records.processor.sleep(0);
        disableWindow();
        m_stop.clear();

        bool checksumOk = true;
        double maxSpeed = m_clocks.coreClockMHz();
        m_records.processor.sleep(0);
        const uint32_t startTick = m_clocks.tickCount();
        const int64_t startCounter = m_clocks.counter();
        for (int run = 0; run < Runs && !m_stop.requested(); ++run) {
            const int64_t result = m_workload();
            checksumOk = checksumOk && static_cast<uint32_t>(static_cast<uint64_t>(result)) == BenchChecksum;
            maxSpeed = std::max(maxSpeed, m_clocks.coreClockMHz());
            if (run % 2 == 1)
                QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        const uint32_t endTick = m_clocks.tickCount();
        const int64_t endCounter = m_clocks.counter();
        restoreButtons();

        BenchClockReadings readings;
        readings.counterTicks = endCounter - startCounter;
        readings.tscPerCounterTick = m_clocks.tscPerCounterTick();
        readings.tscMHz = m_clocks.tscMHz();
        readings.tickMilliseconds = endTick - startTick; // the tick count wraps
        const BenchTime time = chooseBenchTime(readings);

        m_window.setText(IDC_RESET, QStringLiteral("Reset"));
        if (m_stop.requested()) {
            // Cancelled (or the window is closing): the runs so far are not shown.
            m_stop.clear();
        } else {
            const std::string text = benchResultText(time, maxSpeed,
                                                     checksumOk ? ChecksumResult::Pass : ChecksumResult::Fail,
                                                     m_records.flavour);
            m_window.messageBox(QString::fromStdString(text), QStringLiteral("ZB Bench Score"),
                                dialog::MB_OK | dialog::MB_ICONINFORMATION);
        }
    }
    m_window.setText(IDC_BENCH, QStringLiteral("ZB Bench"));
    m_window.setEnabled(IDC_BENCH, true);
    m_window.setFocus(IDC_BENCH);
}

} // namespace monitor
