#pragma once
// The turbo monitor's log: one line per second collected in memory, with the
// user's notes attached to the next line, written to SparvelLog.txt or
// SparvelLog.csv at every full minute and at shutdown. Each write adds the
// whole buffer or nothing, so the file never holds half a line.

#include "platform/UserFile.h"
#include "platform/WriteErrorLatch.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace turbo {

enum class LogFormat { Text, Csv };
enum class LogState { Off, On };

class TurboLog {
public:
    enum class WriteResult { Written, NothingToWrite, CannotOpen, WriteFailed };

    // Files go into `directory` (the program uses its current directory).
    explicit TurboLog(std::string directory = ".");

    // Appended to the note for the next line, without a separator.
    void addNote(std::string_view note);
    const std::string& pendingNote() const { return m_pendingNote; }

    // Adds the line of one tick and attaches the pending note to it.
    void appendLine(const std::tm& time, double peak, double average, double stdDev, double averageC0);

    // Once a tick, after appendLine: at a full minute the buffer goes to the
    // file when logging is on and is dropped when it is off.
    WriteResult onTick(const std::tm& time, LogState state, LogFormat format);

    // At shutdown: writes what is buffered when logging is on.
    WriteResult flush(LogState state, LogFormat format);

    // Writes the buffer in the given format. The buffer is emptied only when
    // the whole text reached the file; otherwise the file is cut back to its
    // old length and the buffer is kept for the next attempt.
    WriteResult write(LogFormat format);

    const std::string& buffer() const { return m_buffer; }
    void clear() { m_buffer.clear(); }

    // Who the file is written for and through which write(2); this process's
    // by default.
    void setFileAccess(platform::UserFileAccess access) { m_access = std::move(access); }
    // Why the last write failed; nullopt after a successful one.
    const std::optional<platform::UserFileError>& lastError() const { return m_errors.last(); }
    // The error of the last write when it has not been handed out before: a
    // failure repeating every minute is told once, and again only after a
    // write succeeded or the error changed.
    std::optional<platform::UserFileError> takeNewError() { return m_errors.takeNew(); }
    // "Sparvel: N log lines could not be written to <path> (<reason>)" while
    // lines are left after a failed write; empty otherwise.
    std::string unwrittenReport() const { return m_errors.unwrittenReport("Sparvel", m_buffer); }
    std::string filePath(LogFormat format) const;

    static std::string fileName(LogFormat format);
    static std::string header(LogFormat format);
    // The buffer as it reaches a file of the given format ("\n" line ends).
    static std::string convert(std::string_view buffer, LogFormat format);
    // "%x %H:%M:%S" in the C locale: the date reads MM/DD/YY whatever the
    // user's locale, so the columns stay fixed.
    static std::string formatTime(const std::tm& time);

private:
    std::string m_directory;
    std::string m_buffer;
    std::string m_pendingNote;
    platform::UserFileAccess m_access = platform::UserFileAccess::current();
    platform::WriteErrorLatch m_errors;
};

} // namespace turbo
