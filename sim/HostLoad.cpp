#include "sim/HostLoad.h"

#include <fstream>
#include <sstream>

namespace sim {

HostLoad::HostLoad(std::string statPath) : m_path(std::move(statPath)) {}

bool HostLoad::sample()
{
    std::ifstream in(m_path);
    if (!in)
        return false;
    std::vector<Times> now;
    std::string line;
    while (std::getline(in, line)) {
        // "cpuN user nice system idle iowait irq softirq steal ..." (the "cpu " total line is skipped)
        if (line.size() < 4 || line.compare(0, 3, "cpu") != 0 || line[3] < '0' || line[3] > '9')
            continue;
        std::istringstream fields(line.substr(line.find(' ')));
        uint64_t value = 0;
        Times times;
        for (int column = 0; column < 8 && fields >> value; ++column) {
            times.total += value;
            if (column != 3 && column != 4) // idle and iowait are not busy
                times.busy += value;
        }
        now.push_back(times);
    }
    if (now.empty())
        return false;

    std::vector<double> load(now.size(), 0.0);
    for (size_t n = 0; n < now.size(); ++n) {
        Times delta = now[n];
        if (n < m_previous.size() && now[n].total >= m_previous[n].total && now[n].busy >= m_previous[n].busy) {
            delta.busy -= m_previous[n].busy;
            delta.total -= m_previous[n].total;
        }
        load[n] = delta.total > 0 ? double(delta.busy) / double(delta.total) : (n < m_load.size() ? m_load[n] : 0.0);
    }
    m_previous = std::move(now);
    m_load = std::move(load);
    return true;
}

double HostLoad::load(int hostCpu) const
{
    if (hostCpu < 0 || hostCpu >= hostCpuCount())
        return 0.0;
    return m_load[static_cast<size_t>(hostCpu)];
}

} // namespace sim
