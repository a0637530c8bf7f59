#include "monitor/measure/ProcStatLoad.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace monitor {

ProcStatLoad::ProcStatLoad(std::string path) : m_path(std::move(path)) {}

std::optional<ProcStatLoad::Times> ProcStatLoad::parse(const std::string& line)
{
    std::istringstream in(line);
    std::string name;
    if (!(in >> name) || name != "cpu")
        return std::nullopt;
    // user nice system idle iowait irq softirq steal; guest time is already
    // part of user time and is not added again.
    uint64_t fields[8] = {};
    int count = 0;
    for (; count < 8; ++count) {
        if (!(in >> fields[count]))
            break;
    }
    if (count < 4)
        return std::nullopt;
    Times times;
    for (int i = 0; i < count; ++i)
        times.total += fields[i];
    uint64_t idle = fields[3] + fields[4];
    times.busy = times.total - idle;
    return times;
}

std::optional<ProcStatLoad::Times> ProcStatLoad::read() const
{
    std::ifstream file(m_path);
    std::string line;
    if (!file || !std::getline(file, line))
        return std::nullopt;
    return parse(line);
}

bool ProcStatLoad::open()
{
    auto times = read();
    m_haveLast = times.has_value();
    if (times)
        m_last = *times;
    return m_haveLast;
}

std::optional<double> ProcStatLoad::collect()
{
    auto times = read();
    if (!times)
        return std::nullopt;
    Times previous = m_last;
    bool hadPrevious = m_haveLast;
    m_last = *times;
    m_haveLast = true;
    if (!hadPrevious || times->total <= previous.total || times->busy < previous.busy)
        return std::nullopt;
    double load = 100.0 * static_cast<double>(times->busy - previous.busy) /
                  static_cast<double>(times->total - previous.total);
    return std::clamp(load, 0.0, 100.0);
}

} // namespace monitor
