#include "monitor/lifecycle/MonitorShutdown.h"

#include "monitor/lifecycle/ClockModulation.h"
#include "monitor/lifecycle/MonitorTick.h"

#include <cstdio>

namespace monitor {

namespace {

void closeAccess(MonitorRecords& m)
{
    platform::endTimerPeriod(10);
    m.processor.deinitialise();
}

} // namespace

ShutdownReport RunShutdown(MonitorRecords& m, const ExitState& exitState, const ShutdownHooks& hooks)
{
    ShutdownReport report;
    report.threads = StopWorkerThreads(*m.shared, m.processor);
    m.loadThread.release();
    m.clockThread.release();

    MonitorSettings& settings = *m.settings;
    if (m.readings && !m.layout.vidInfoKey)
        settings.InfoWindowIndex = m.readings->infoView();
    report.settingsSaved = SaveOnExit(settings, m.iniPath, exitState, m.access, m.layout);

    if (settings.LogFile != 0) {
        report.logWritten = m.log.writeOut(LogColumnsFor(m), LogOptionsFor(m));
        // Nothing is lost silently: what stays in the buffer is told.
        const std::string lost = m.log.unwrittenReport(ProgramNameFor(m));
        if (!lost.empty())
            std::fprintf(stderr, "%s\n", lost.c_str());
    }

    if (hooks.removeIcons)
        hooks.removeIcons();

    WriteClockModulation(m.access, 0);

    if (hooks.closeGpuSensors)
        hooks.closeGpuSensors();
    m.readings.reset();
    m.cycle.reset();
    m.counters.reset();

    closeAccess(m);
    return report;
}

void ReleaseAfterFailedStartup(MonitorRecords& m)
{
    if (m.clockThread.started() || m.loadThread.started()) {
        StopWorkerThreads(*m.shared, m.processor);
        m.loadThread.release();
        m.clockThread.release();
    }
    closeAccess(m);
}

} // namespace monitor
