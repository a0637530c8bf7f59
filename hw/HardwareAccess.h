#pragma once
// Register access as the programs use it: the seam's operations plus the
// pinning rule (pin the calling thread to logical CPU n with the mask 1 << n
// and a Sleep(0), access, then go back to the system mask).
//
// The system mask is the set of CPUs this process may run on that are online
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

    // Reads the process and system masks from the seam again.
    void refreshMasks();
    uint32_t systemMask() const { return m_systemMask; }
    uint32_t processMask() const { return m_processMask; }
    bool present(int cpu) const { return cpu >= 0 && cpu < 32 && (m_systemMask >> cpu) & 1u; }

    // Pins the calling thread to logical CPU n (mask 1 << n) and yields so the
    // thread moves before the next access. False when the CPU refused: the
    // thread then runs where it was and nothing may be accessed for CPU n.
    bool pin(int cpu);
    bool pinMask(uint32_t mask);
    // Pins to the lowest CPU of the system mask that accepts, for accesses
    // any CPU of the processor may answer (CPU 0 when it may be used); the
    // CPU, or -1 when none accepts.
    int pinAnyCpu();
    // Back to the system mask.
    void unpin();

    // 64-bit register access on the current CPU; read() gives 0 on failure.
    uint64_t read(uint32_t index);
    bool read(uint32_t index, uint64_t& value);
    bool write(uint32_t index, uint64_t value);
    // Several registers on the current CPU at once (one exchange with the
    // register helper); each read() gives 0 on failure, as read() does.
    void read(std::span<platform::MsrRead> reads) { m_processor.readMsrs(reads); }

    // Runs fn(cpu) pinned to each logical CPU first..last present in the
    // system mask that accepts the pin, then returns to the system mask.
    template <typename Fn>
    void forEachCpu(int first, int last, Fn&& fn)
    {
        for (int cpu = first; cpu <= last; ++cpu) {
            if (!present(cpu) || !pin(cpu))
                continue;
            fn(cpu);
        }
        unpin();
    }

private:
    platform::Processor& m_processor;
    uint32_t m_processMask = 0;
    uint32_t m_systemMask = 0;
};

} // namespace hw
