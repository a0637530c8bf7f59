#pragma once
// The platform seam: every program reaches the processor, and the parts of the
// operating system that concern it, through this one interface. Two backends
// implement it: LinuxProcessor (the msr device files, CPUID and RDTSC of the
// host) and sim::SimulatedProcessor (a modelled Intel processor). The seam is
// deliberately primitive: register values travel raw, decoding is the callers'.

#include "platform/CpuSet.h"

#include <cstdint>
#include <ctime>
#include <span>

namespace platform {

struct CpuidRegisters {
    uint32_t eax = 0;
    uint32_t ebx = 0;
    uint32_t ecx = 0;
    uint32_t edx = 0;
};

// One register of a batch read: the register, and once read its value and
// whether it could be read (the value is 0 when not).
struct MsrRead {
    uint32_t index = 0;
    uint64_t value = 0;
    bool ok = false;
};

enum class PriorityClass { Normal, AboveNormal, Idle, Realtime };
enum class ThreadPriority { Normal, AboveNormal, Idle, TimeCritical };

class Processor {
public:
    virtual ~Processor() = default;

    // The six operations of the register access library, all acting on the
    // logical CPU the calling thread has selected (selectCpu), else on the
    // one it runs on.
    virtual void initialise() = 0;
    virtual int status() = 0;
    virtual bool capabilityTest() = 0;
    virtual bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) = 0;
    virtual bool writeMsr(uint32_t index, uint32_t low, uint32_t high) = 0;
    virtual void deinitialise() = 0;
    // Several registers of the calling thread's CPU in one go, in order. A
    // backend that reaches the registers through another process answers
    // them in one exchange; by default they are read one by one.
    virtual void readMsrs(std::span<MsrRead> reads)
    {
        for (MsrRead& read : reads) {
            uint32_t low = 0;
            uint32_t high = 0;
            read.ok = readMsr(read.index, low, high);
            read.value = read.ok ? (static_cast<uint64_t>(high) << 32) | low : 0;
        }
    }

    // CPUID as the selected CPU answers it (else the CPU the thread runs
    // on); RDTSC on the CPU the thread runs on. A time-stamp reading that must
    // pair with one CPU's counters reads IA32_TIME_STAMP_COUNTER there instead.
    virtual CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf = 0) = 0;
    virtual uint64_t rdtsc() = 0;

    // Directs the calling thread's register accesses and CPUID to logical
    // CPU `cpu` without moving the thread (the kernel performs them on that
    // CPU whatever CPU the caller runs on); -1 directs them back to the CPU
    // the thread runs on. False when that CPU cannot be addressed (offline,
    // outside this process's CPUs): the selection stays as it was, as a
    // refused affinity leaves a thread where it was, and nothing may be
    // accessed in that CPU's name.
    virtual bool selectCpu(int cpu) = 0;

    // Affinity, as sets of logical CPUs of any number: for code that must
    // itself run on a CPU (load threads, timing windows), never merely to
    // reach a CPU's registers.
    // Moves the calling thread onto `cpus`; the set it had before, empty on
    // failure (the thread then stays where it was).
    virtual CpuSet setThreadAffinity(const CpuSet& cpus) = 0;
    // The CPUs this process may run on, and of those the ones online (the
    // "system" set every per-CPU visit walks); false when neither is known.
    virtual bool processAffinity(CpuSet& process, CpuSet& system) = 0;
    virtual bool setProcessAffinity(const CpuSet& cpus) = 0;
    // The logical CPU the calling thread runs on now.
    virtual int currentCpu() = 0;

    // Sleep(0) yields, Sleep(n) waits n milliseconds.
    virtual void sleep(uint32_t milliseconds) = 0;

    // Priorities; failures are ignored.
    virtual void setPriorityClass(PriorityClass priority) = 0;
    virtual void setThreadPriority(ThreadPriority priority) = 0;

    // Clocks.
    virtual int64_t performanceCounter() = 0;
    virtual int64_t performanceFrequency() = 0;
    virtual uint32_t tickCount() = 0;
    virtual std::tm localTime() = 0;
};

// System timer resolution requests: Linux timers are already fine-grained,
// so these are kept as named calls that do nothing.
inline void beginTimerPeriod(unsigned /*milliseconds*/) {}
inline void endTimerPeriod(unsigned /*milliseconds*/) {}

} // namespace platform
