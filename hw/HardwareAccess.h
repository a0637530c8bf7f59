#pragma once
// Register access as the programs use it: the seam's operations plus the
// pinning rule (pin the calling thread to logical CPU n alone and yield,
// access, then go back to the system set).
//
// The system set is the set of CPUs this process may run on that are online
// (on Linux the affinity the process started with, within the online CPUs).
// A CPU the system refuses to pin to (a cpuset, a container, taskset) is
// absent for that operation: callers check pin() and never read or write in
// its name on whatever CPU the thread happened to be left on.

#include "platform/Processor.h"

#include <cstdint>
#include <span>

namespace hw {

class HardwareAccess {
public:
    explicit HardwareAccess(platform::Processor& processor);

    platform::Processor& processor() { return m_processor; }

    // Reads the process and system sets from the seam again.
    void refreshMasks();
    const platform::CpuSet& systemCpus() const { return m_systemCpus; }
    const platform::CpuSet& processCpus() const { return m_processCpus; }
    bool present(int cpu) const { return m_systemCpus.contains(cpu); }

    // Pins the calling thread to logical CPU n alone and yields so the
    // thread moves before the next access. False when the CPU refused: the
    // thread then runs where it was and nothing may be accessed for CPU n.
    bool pin(int cpu);
    bool pinSet(const platform::CpuSet& cpus);
    // Pins to the lowest CPU of the system set that accepts, for accesses
    // any CPU of the processor may answer (CPU 0 when it may be used); the
    // CPU, or -1 when none accepts.
    int pinAnyCpu();
    // Back to the system set.
    void unpin();

    // 64-bit register access on the current CPU; read() gives 0 on failure.
    uint64_t read(uint32_t index);
    bool read(uint32_t index, uint64_t& value);
    bool write(uint32_t index, uint64_t value);
    // Several registers on the current CPU at once (one exchange with the
    // register helper); each read() gives 0 on failure, as read() does.
    void read(std::span<platform::MsrRead> reads) { m_processor.readMsrs(reads); }

    // Runs fn(cpu) pinned to each logical CPU of `cpus` that accepts the
    // pin, then returns to the system set.
    template <typename Fn>
    void forEachCpu(const platform::CpuSet& cpus, Fn&& fn)
    {
        cpus.forEach([&](int cpu) {
            if (pin(cpu))
                fn(cpu);
        });
        unpin();
    }
    // The same over the CPUs first..last of the system set.
    template <typename Fn>
    void forEachCpu(int first, int last, Fn&& fn)
    {
        forEachCpu(m_systemCpus & platform::CpuSet::range(first, last), fn);
    }
    // The same over every CPU of the system set.
    template <typename Fn>
    void forEachCpu(Fn&& fn)
    {
        forEachCpu(m_systemCpus, fn);
    }

private:
    platform::Processor& m_processor;
    platform::CpuSet m_processCpus;
    platform::CpuSet m_systemCpus;
};

} // namespace hw
