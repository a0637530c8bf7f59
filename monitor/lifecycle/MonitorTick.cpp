#include "monitor/lifecycle/MonitorTick.h"

#include "monitor/measure/CounterProgramming.h"

#include <algorithm>
#include <cstdio>

namespace monitor {

ReadingOptions ReadingOptionsFor(const MonitorSettings& settings)
{
    ReadingOptions options;
    options.tmLoad = settings.TMLoad;
    options.refreshIntervalMs = settings.RefreshInterval;
    options.vidInfo = settings.VIDInfo != 0;
    return options;
}

void ConnectMeasurementSteps(MonitorRecords& m)
{
    m.cycle->setStep(CycleStep::Measurement, [&m] { m.readings->UpdateReadings(ReadingOptionsFor(*m.settings)); });
    m.cycle->setStep(CycleStep::Log, [&m] {
        if (m.settings->LogFile != 0)
            AddLogLineIfDue(m);
    });
}

void RunTimerTick(MonitorRecords& m)
{
    // The counters start afresh after every tick. The measurement step
    // programs them as its last act and nothing after it touches them, so a
    // second programming would only write the same values again.
    const uint64_t before = m.counters->programmings;
    m.cycle->tick();
    if (m.counters->programmings == before)
        ProgramCounters(m.access, *m.counters);
}

LogColumns LogColumnsFor(const MonitorRecords& m)
{
    LogColumns columns;
    for (int slot = 0; slot < std::min(m.flavour.coreSlots, hw::MaxCoreSlots); ++slot)
        if (m.info.corePresent(slot))
            columns.coreSlots.push_back(slot);
    columns.gpu = m.settings->gpuPresent;
    columns.nvidia = m.settings->nvidiaPresent;
    return columns;
}

LogOptions LogOptionsFor(const MonitorRecords& m)
{
    const MonitorSettings& settings = *m.settings;
    LogOptions options;
    options.format = settings.CSV != 0 ? LogFormat::Csv : LogFormat::Text;
    options.logInterval = settings.LogInterval;
    options.hdWrite = settings.HDWrite;
    // Without the key LogFileName the name is fixed: OstrelLog.txt or
    // OstrelLog.csv in the current folder.
    options.fileName = m.layout.logFileNameKey ? settings.LogFileName : FixedLogFileName;
    if (!m.logFolder.empty() && options.fileName.find('/') == std::string::npos)
        options.fileName = m.logFolder + "/" + options.fileName;
    options.layout = m.flavour.sixCoreRules ? LogLayout::Compact : LogLayout::Aligned;
    return options;
}

void AddLogLineIfDue(MonitorRecords& m)
{
    const LogColumns columns = LogColumnsFor(m);
    const SampleSet& samples = m.cycle->samples();
    LogReadings readings;
    readings.time = m.processor.localTime();
    readings.clockMHz = m.shared->coreClockMHz.load();
    for (int slot : columns.coreSlots)
        readings.temperatures.push_back(samples.cores[slot].temperature);
    // The figure the window shows: the whole system's load with TMLoad,
    // otherwise the mean of the measured processors' loads.
    readings.loadPercent = m.readings->load();
    readings.gpuTemperature = samples.gpu.temperature;
    m.log.addLineIfDue(readings, columns, LogOptionsFor(m));
    if (const std::optional<platform::UserFileError> error = m.log.takeNewError())
        std::fprintf(stderr, "%s: cannot write the log %s\n", ProgramNameFor(m), error->describe().c_str());
}

const char* ProgramNameFor(const MonitorRecords& m)
{
    return m.flavour.programName;
}

} // namespace monitor
