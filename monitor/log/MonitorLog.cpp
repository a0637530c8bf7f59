#include "monitor/log/MonitorLog.h"

#include "platform/CFormat.h"

#include <algorithm>

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
    platform::UserFile file = platform::UserFile::openForAppend(pathFor(options), m_access);
    std::optional<platform::UserFileError> error;
    if (!file.isOpen()) {
        error = file.error();
    } else {
        const std::string head =
            file.sizeAtOpen() == 0 ? header(columns, options.format, options.layout) : std::string();
        error = file.appendWhole(head + convert(m_buffer, options.format));
    }
    if (!error) {
        m_buffer.clear();
        m_errors.succeeded();
        return true;
    }
    m_errors.failed(std::move(*error));
    return false;
}

} // namespace monitor
