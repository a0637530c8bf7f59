#include "turbo/TurboLog.h"

#include "platform/CFormat.h"

#include <algorithm>

namespace turbo {

namespace {

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string withCrLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

TurboLog::TurboLog(std::string directory) : m_directory(std::move(directory)) {}

void TurboLog::addNote(std::string_view note) { m_pendingNote.append(note); }

std::string TurboLog::formatTime(const std::tm& time)
{
    return platform::cstrftime("%x %H:%M:%S", time);
}

void TurboLog::appendLine(const std::tm& time, double peak, double average, double stdDev, double averageC0)
{
    m_buffer += formatTime(time);
    m_buffer += platform::cformat(" %6.3f %6.3f %5.3f %6.2f", peak, average, stdDev, averageC0);
    if (!m_pendingNote.empty()) {
        // Blanks become "_" so the note stays one column; a line break in a
        // pasted note would split the line, so it goes the same way.
        for (char& c : m_pendingNote) {
            if (c == ' ' || c == '\n' || c == '\r')
                c = '_';
        }
        m_buffer += ' ';
        m_buffer += m_pendingNote;
        m_pendingNote.clear();
    }
    m_buffer += '\n';
}

TurboLog::WriteResult TurboLog::onTick(const std::tm& time, LogState state, LogFormat format)
{
    if (time.tm_sec != 0)
        return WriteResult::NothingToWrite;
    if (state == LogState::Off) {
        m_buffer.clear();
        return WriteResult::NothingToWrite;
    }
    return write(format);
}

TurboLog::WriteResult TurboLog::flush(LogState state, LogFormat format)
{
    if (state == LogState::Off)
        return WriteResult::NothingToWrite;
    return write(format);
}

std::string TurboLog::fileName(LogFormat format)
{
    return format == LogFormat::Csv ? "SparvelLog.csv" : "SparvelLog.txt";
}

std::string TurboLog::header(LogFormat format)
{
    return format == LogFormat::Csv ? "DATE,TIME,PEAK,C_MULTI,STD_DEV,LOAD%,NOTES\n"
                                    : "  DATE     TIME    PEAK  CMULTI STDEV  LOAD%  NOTES\n";
}

std::string TurboLog::filePath(LogFormat format) const
{
    if (m_directory.empty())
        return fileName(format);
    return m_directory + "/" + fileName(format);
}

std::string TurboLog::convert(std::string_view buffer, LogFormat format)
{
    std::string text(buffer);
    if (format == LogFormat::Csv) {
        for (std::string_view run : {"    ", "   ", "  ", " "})
            replaceAll(text, run, ",");
    } else {
        replaceAll(text, ",", " ");
    }
    return text;
}

TurboLog::WriteResult TurboLog::write(LogFormat format)
{
    if (m_buffer.empty())
        return WriteResult::NothingToWrite;
    platform::UserFile file = platform::UserFile::openForAppend(filePath(format), m_access);
    std::optional<platform::UserFileError> error;
    WriteResult result = WriteResult::Written;
    if (!file.isOpen()) {
        error = file.error();
        result = WriteResult::CannotOpen;
    } else {
        std::string text = convert(m_buffer, format);
        if (file.sizeAtOpen() == 0)
            text.insert(0, header(format));
        error = file.appendWhole(withCrLf(text));
        if (error)
            result = WriteResult::WriteFailed;
    }
    if (!error) {
        m_buffer.clear();
        m_errors.succeeded();
        return result;
    }
    m_errors.failed(std::move(*error));
    return result;
}

} // namespace turbo
