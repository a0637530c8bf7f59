#pragma once
// The monitor's log: one line per matching second of the time of day,
// gathered in memory and appended to the file every HDWrite seconds and at
// shutdown. Each write adds the whole buffer or nothing: a file that cannot be
// written keeps every line for the next try, and never holds half a line.

#include "platform/UserFile.h"
#include "platform/WriteErrorLatch.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace monitor {

enum class LogFormat { Text, Csv };

// How lines and headers are laid out. The four-core build aligns its columns
// and puts the GPU after the load; the six-core build separates its figures
// by single blanks, names the columns "C0" or "CPU_0" and puts the GPU column
// before the load.
enum class LogLayout { Aligned, Compact };

struct LogOptions {
    LogFormat format = LogFormat::Text;
    int logInterval = 5;            // seconds, a divisor of 86400
    int hdWrite = 60;               // seconds
    std::string fileName = "OstrelLog"; // without extension
    LogLayout layout = LogLayout::Aligned;
};

// The columns of the log: the monitored core slots, in order, and the GPU.
struct LogColumns {
    std::vector<int> coreSlots;
    bool gpu = false;    // a graphics sensor is in use
    bool nvidia = false; // the NVIDIA sensor is in use (the compact text header names it "NV")
};

// The readings of one tick.
struct LogReadings {
    std::tm time{};
    double clockMHz = 0;
    std::vector<int> temperatures; // one per entry of LogColumns::coreSlots
    double loadPercent = 0;
    int gpuTemperature = 0;
};

class MonitorLog {
public:
    // Adds a line when the time of day is a multiple of logInterval and, when
    // it also is a multiple of hdWrite, writes the buffer out. Returns true
    // when a line was added.
    bool addLineIfDue(const LogReadings& readings, const LogColumns& columns, const LogOptions& options);

    // Appends the buffer to the file (with a header when the file is empty).
    // False when the file could not be written; the unwritten lines stay.
    bool writeOut(const LogColumns& columns, const LogOptions& options);

    const std::string& buffer() const { return m_buffer; }

    // Who the file is written for and through which write(2); this process's
    // by default.
    void setFileAccess(platform::UserFileAccess access) { m_access = std::move(access); }

    // Why the last write failed; nullopt after a successful one.
    const std::optional<platform::UserFileError>& lastError() const { return m_errors.last(); }
    // The error of the last write when it has not been handed out before: a
    // failure repeating every interval is told once, and again only after a
    // write succeeded or the error changed.
    std::optional<platform::UserFileError> takeNewError() { return m_errors.takeNew(); }
    // "<program>: N log lines could not be written to <path> (<reason>)" while
    // lines are left after a failed write; empty otherwise.
    std::string unwrittenReport(const std::string& programName) const
    {
        return m_errors.unwrittenReport(programName, m_buffer);
    }

    // The line with the GPU figure when columns.gpu is set.
    static std::string formatLine(const LogReadings& readings, const LogColumns& columns,
                                  LogLayout layout = LogLayout::Aligned);
    static std::string header(const LogColumns& columns, LogFormat format, LogLayout layout = LogLayout::Aligned);
    // Whether the header of a file names a GPU column, so that its lines carry
    // one: with any graphics sensor, except in the compact text header, which
    // has a column for the NVIDIA sensor only.
    static bool gpuColumn(const LogColumns& columns, LogFormat format, LogLayout layout);
    // The buffer as it goes to the file in the given format.
    static std::string convert(const std::string& text, LogFormat format);
    static std::string pathFor(const LogOptions& options);
    static int secondOfDay(const std::tm& time) { return time.tm_hour * 3600 + time.tm_min * 60 + time.tm_sec; }

private:
    std::string m_buffer;
    platform::UserFileAccess m_access = platform::UserFileAccess::current();
    platform::WriteErrorLatch m_errors;
};

} // namespace monitor
