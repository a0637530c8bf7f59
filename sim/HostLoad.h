#pragma once
// The load of the host's CPUs, from the per-CPU lines of /proc/stat: the share
// of time each was busy between two samples (since boot before the second).

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class HostLoad {
public:
    explicit HostLoad(std::string statPath = "/proc/stat");

    // Reads the file again; false when it could not be read or held no CPU line.
    bool sample();

    // Busy share 0..1 of host CPU (cpu mod the host count); 0 when nothing was read.
    double load(int cpu) const;
    int hostCpuCount() const { return static_cast<int>(m_load.size()); }

private:
    struct Times {
        uint64_t busy = 0;
        uint64_t total = 0;
    };

    std::string m_path;
    std::vector<Times> m_previous;
    std::vector<double> m_load;
};

} // namespace sim
