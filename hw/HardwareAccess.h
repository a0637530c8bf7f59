#pragma once
// Register access as the programs use it: the seam's operations plus the
// pinning rule (pin to logical CPU n, access, then unpin). Pinning here
// selects the CPU the following register accesses and CPUID go to; it does
// not move the thread (the kernel runs each access on its CPU), so it costs
// no system call. Code that must itself run on a CPU moves the thread with
// moveThreadTo().
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

    // Selects logical CPU n for the calling thread's register accesses and
    // CPUID. False when the CPU refused: nothing may be accessed for CPU n.
    bool pin(int cpu);
    // Pins to the lowest CPU of the system set that accepts, for accesses
    // any CPU of the processor may answer (CPU 0 when it may be used); the
    // CPU, or -1 when none accepts.
    int pinAnyCpu();
    // Ends the selection: accesses go to the CPU the thread runs on.
    void unpin();

    // For code that must itself run on one CPU (a timing window between two
    // time-stamp readings): moves the calling thread onto logical CPU n
    // alone and yields so that it runs there from the next instruction.
    // False when the CPU refused; the thread then runs where it was.
    bool moveThreadTo(int cpu);
    // The calling thread back onto the system set.
    void moveThreadBack();

    // 64-bit register access on the current CPU; read() gives 0 on failure.
    uint64_t read(uint32_t index);
    bool read(uint32_t index, uint64_t& value);
    bool write(uint32_t index, uint64_t value);
    // Several registers on the current CPU at once (one exchange with the
    // register helper); each read() gives 0 on failure, as read() does.
    void read(std::span<platform::MsrRead> reads) { m_processor.readMsrs(reads); }

    // Runs fn(cpu) pinned to each logical CPU of `cpus` that accepts the
    // pin, then unpins.
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
