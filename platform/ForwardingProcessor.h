#pragma once
// A processor that hands every call to another one. Decorators (fault
// injection and call recording in tests and benchmarks) derive from it and
// override only the calls they change.

#include "platform/Processor.h"

namespace platform {

class ForwardingProcessor : public Processor {
public:
    explicit ForwardingProcessor(Processor& inner) : m_inner(inner) {}

    Processor& inner() { return m_inner; }

    void initialise() override { m_inner.initialise(); }
    int status() override { return m_inner.status(); }
    bool capabilityTest() override { return m_inner.capabilityTest(); }
    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override { return m_inner.readMsr(index, low, high); }
    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override { return m_inner.writeMsr(index, low, high); }
    void deinitialise() override { m_inner.deinitialise(); }

    CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf) override { return m_inner.cpuid(leaf, subleaf); }
    uint64_t rdtsc() override { return m_inner.rdtsc(); }
    bool selectCpu(int cpu) override { return m_inner.selectCpu(cpu); }

    CpuSet setThreadAffinity(const CpuSet& cpus) override { return m_inner.setThreadAffinity(cpus); }
    bool processAffinity(CpuSet& process, CpuSet& system) override { return m_inner.processAffinity(process, system); }
    bool setProcessAffinity(const CpuSet& cpus) override { return m_inner.setProcessAffinity(cpus); }
    int currentCpu() override { return m_inner.currentCpu(); }

    void sleep(uint32_t milliseconds) override { m_inner.sleep(milliseconds); }
    void setPriorityClass(PriorityClass priority) override { m_inner.setPriorityClass(priority); }
    void setThreadPriority(ThreadPriority priority) override { m_inner.setThreadPriority(priority); }

    int64_t performanceCounter() override { return m_inner.performanceCounter(); }
    int64_t performanceFrequency() override { return m_inner.performanceFrequency(); }
    uint32_t tickCount() override { return m_inner.tickCount(); }
    std::tm localTime() override { return m_inner.localTime(); }

private:
    Processor& m_inner;
};

} // namespace platform
