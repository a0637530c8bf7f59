#pragma once
// Where the load of the host's CPUs comes from for SIMULATED_LOAD=host:
// /proc/stat in the programs (HostLoad), a scripted source in tests.

namespace sim {

class HostLoadSource {
public:
    virtual ~HostLoadSource() = default;
    // Takes a new sample; false when none could be taken (the last figures stay).
    virtual bool sample() = 0;
    // Busy share 0..1 of host CPU `hostCpu`; 0 for a CPU the host lacks.
    virtual double load(int hostCpu) const = 0;
    virtual int hostCpuCount() const = 0;
};

} // namespace sim
