#include "monitor/log/MonitorLog.h"

#include "platform/CFormat.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace monitor {

using platform::cformat;

namespace {

std::string timeStamp(const std::tm& time, const char* format)
{
    char stamp[128];
    size_t n = std::strftime(stamp, sizeof stamp, format, &time);
    return std::string(stamp, n);
}

std::string compactLine(const LogReadings& readings, const LogColumns& columns)
{
    std::string line = timeStamp(readings.time, "%x %H:%M:%S");
    line += cformat(" %.2f", readings.clockMHz);
    for (size_t i = 0; i < columns.coreSlots.size(); ++i)
        line += cformat(" %d", i < readings.temperatures.size() ? readings.temperatures[i] : 0);
    if (columns.gpu)
        line += cformat(" %d", readings.gpuTemperature);
    line += cformat(" %.1f", readings.loadPercent);
    line += "\n";
    return line;
}

std::string compactHeader(const LogColumns& columns, LogFormat format)
{
    std::string text;
    if (format == LogFormat::Csv) {
        text = "DATE,TIME,MHz,";
        for (int slot : columns.coreSlots)
            text += cformat("CPU_%d,", slot);
        if (columns.gpu)
            text += "GPU,";
    } else {
        text = "  DATE     TIME     MHz   ";
        for (int slot : columns.coreSlots)
            text += cformat("C%d ", slot);
        if (columns.nvidia)
            text += "NV ";
    }
    return text + "LOAD%\n";
}

} // namespace

bool MonitorLog::gpuColumn(const LogColumns& columns, LogFormat format, LogLayout layout)
{
    if (layout == LogLayout::Compact && format == LogFormat::Text)
        return columns.nvidia;
    return columns.gpu;
}

std::string MonitorLog::formatLine(const LogReadings& readings, const LogColumns& columns, LogLayout layout)
{
    if (layout == LogLayout::Compact)
        return compactLine(readings, columns);
    char stamp[128];
    size_t n = std::strftime(stamp, sizeof stamp, "%x  %H:%M:%S ", &readings.time);
    std::string line(stamp, n);
    line += cformat("%8.2f", readings.clockMHz);
    for (size_t i = 0; i < columns.coreSlots.size(); ++i)
        line += cformat("%6d", i < readings.temperatures.size() ? readings.temperatures[i] : 0);
    line += cformat("%8.1f", readings.loadPercent);
    if (columns.gpu)
        line += cformat("%5d", readings.gpuTemperature);
    line += "\n";
    return line;
}

std::string MonitorLog::header(const LogColumns& columns, LogFormat format, LogLayout layout)
{
    if (layout == LogLayout::Compact)
        return compactHeader(columns, format);
    std::string text;
    if (format == LogFormat::Csv) {
        text = "DATE,TIME,MHz,";
        for (int slot : columns.coreSlots)
            text += cformat("CPU_%d,", slot);
        text += columns.gpu ? "LOAD%,GPU\n" : "LOAD%\n";
    } else {
        text = "  DATE      TIME      MHz    ";
        for (int slot : columns.coreSlots)
            text += cformat("CPU_%d ", slot);
        text += " LOAD%  ";
        if (columns.gpu)
            text += "GPU";
        text += "\n";
    }
    return text;
}

std::string MonitorLog::convert(const std::string& text, LogFormat format)
{
    std::string out = text;
    if (format == LogFormat::Csv) {
        // Collapse every run of blanks to one, then blanks become commas.
        std::string collapsed;
        collapsed.reserve(out.size());
        for (char c : out) {
            if (c == ' ' && !collapsed.empty() && collapsed.back() == ' ')
                continue;
            collapsed += c;
        }
        for (char& c : collapsed)
            if (c == ' ')
                c = ',';
        return collapsed;
    }
    for (char& c : out)
        if (c == ',')
            c = ' ';
    return out;
}

std::string MonitorLog::pathFor(const LogOptions& options)
{
    return options.fileName + (options.format == LogFormat::Csv ? ".csv" : ".txt");
}

bool MonitorLog::addLineIfDue(const LogReadings& readings, const LogColumns& columns, const LogOptions& options)
{
    const int s = secondOfDay(readings.time);
    if (options.logInterval <= 0 || s % options.logInterval != 0)
        return false;
    LogColumns lineColumns = columns;
    lineColumns.gpu = gpuColumn(columns, options.format, options.layout);
    m_buffer += formatLine(readings, lineColumns, options.layout);
    if (options.hdWrite > 0 && s % options.hdWrite == 0)
        writeOut(columns, options);
    return true;
}

bool MonitorLog::writeOut(const LogColumns& columns, const LogOptions& options)
{
    if (m_buffer.empty())
        return true;
    const std::string path = pathFor(options);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    struct stat st{};
    const bool empty = ::fstat(fd, &st) == 0 && st.st_size == 0;
    const std::string head = empty ? header(columns, options.format, options.layout) : std::string();
    const std::string body = convert(m_buffer, options.format);
    const std::string data = head + body;

    size_t written = 0;
    while (written < data.size()) {
        ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
    ::close(fd);
    if (written == data.size()) {
        m_buffer.clear();
        return true;
    }
    // Keep the lines that did not reach the disk. The buffer and the text
    // written differ only in separators, line for line, so drop the lines
    // that were written completely.
    size_t bodyWritten = written > head.size() ? written - head.size() : 0;
    size_t lines = 0;
    for (size_t i = 0; i < bodyWritten; ++i)
        if (body[i] == '\n')
            ++lines;
    size_t cut = 0;
    for (size_t i = 0; i < lines; ++i)
        cut = m_buffer.find('\n', cut) + 1;
    m_buffer.erase(0, cut);
    return false;
}

} // namespace monitor
