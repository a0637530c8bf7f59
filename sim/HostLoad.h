#pragma once
// The load of the host's CPUs, from the per-CPU lines of /proc/stat: the share
// of time each was busy between two samples (since boot before the second).

#include "sim/HostLoadSource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class HostLoad : public HostLoadSource {
public:
    explicit HostLoad(std::string statPath = "/proc/stat");

    // Reads the file again; false when it could not be read or held no CPU line.
    bool sample() override;

    // Busy share 0..1 of host CPU `hostCpu`; 0 for a CPU the host lacks or when nothing was read.
    double load(int hostCpu) const override;
    int hostCpuCount() const override { return static_cast<int>(m_load.size()); }

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
