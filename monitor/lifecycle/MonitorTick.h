#pragma once
// The monitor's work on every tick of the main timer that is not the
// window's: the sampling cycle with its measurement and log steps, then the
// performance counters programmed again on every measured processor.

#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/log/MonitorLog.h"

namespace monitor {

// Plugs the clock/load measurement and the log line into the cycle.
void ConnectMeasurementSteps(MonitorRecords& records);

// One tick after the window's first-tick steps: the cycle, then the counters.
void RunTimerTick(MonitorRecords& records);

// The measurement options the settings give now.
ReadingOptions ReadingOptionsFor(const MonitorSettings& settings);

// The log's columns: the present core slots shown by this build, and the GPU
// column while a graphics sensor is in use.
LogColumns LogColumnsFor(const MonitorRecords& records);
// The log file's name, format, intervals and layout for the build.
LogOptions LogOptionsFor(const MonitorRecords& records);
// The log's name in the build without the key LogFileName.
constexpr const char* FixedLogFileName = "OstrelLog";

// Adds the log line of this tick when one is due (and writes the buffer out
// when that is due too). A file that cannot be written is reported on
// standard error once, not on every attempt.
void AddLogLineIfDue(MonitorRecords& records);

// "Ostrel", "OstrelHX" or "OstrelXL", as messages name the program.
const char* ProgramNameFor(const MonitorRecords& records);

} // namespace monitor
