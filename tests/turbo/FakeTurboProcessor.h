#pragma once
// A small scripted processor for the turbo monitor's tests: per-CPU register
// files, CPUID answers with per-CPU APIC IDs, time-stamp counters the test
// sets, and affinity that follows the thread mask. Registers that were never
// set fail to read and write, as a missing register would.

#include "registers/MsrIndex.h"
#include "platform/Processor.h"

#include <bit>
#include <map>
#include <utility>
#include <vector>

namespace turbo::test {

class FakeTurboProcessor : public platform::Processor {
public:
    static constexpr int kCpus = 32;

    struct Write {
        int cpu;
        uint32_t index;
        uint64_t value;
    };

    FakeTurboProcessor()
    {
        setCpuid(0x0, {0xB, 0x756E6547, 0x6C65746E, 0x49656E69});
        setCpuid(0x1, {0x106A5, 0, 0, 0});
        setCpuid(0xA, {0x07280202, 0, 0, 0x503}); // performance monitoring version 2, two counters
    }

    // --- scripting -------------------------------------------------------
    void setCpuid(uint32_t leaf, platform::CpuidRegisters regs, uint32_t subleaf = 0)
    {
        m_cpuid[{leaf, subleaf}] = regs;
    }
    // Leaf 1 EBX of one CPU: its initial APIC ID over the shared fields.
    void setApicId(int cpu, uint32_t apic) { m_apic[cpu] = apic; }
    void setMsr(int cpu, uint32_t index, uint64_t value) { m_msr[cpu][index] = value; }
    void setMsrAll(uint32_t index, uint64_t value)
    {
        for (int cpu = 0; cpu < kCpus; ++cpu)
            m_msr[cpu][index] = value;
    }
    void removeMsr(int cpu, uint32_t index) { m_msr[cpu].erase(index); }
    uint64_t msrValue(int cpu, uint32_t index) const
    {
        auto cpuIt = m_msr.find(cpu);
        if (cpuIt == m_msr.end())
            return 0;
        auto it = cpuIt->second.find(index);
        return it == cpuIt->second.end() ? 0 : it->second;
    }
    void setTsc(int cpu, uint64_t value) { m_tsc[cpu] = value; }
    // Moves the two counters and the time-stamp counter of one CPU on.
    void advance(int cpu, uint64_t coreCycles, uint64_t refCycles, uint64_t tsc)
    {
        m_msr[cpu][msr::IA32_PMC0] += coreCycles;
        m_msr[cpu][msr::IA32_PMC1] += refCycles;
        m_tsc[cpu] += tsc;
    }
    void setMasks(uint64_t process, uint64_t system)
    {
        m_processCpus = platform::CpuSet::fromMask(process);
        m_systemCpus = platform::CpuSet::fromMask(system);
    }
    void setStatus(int status) { m_status = status; }
    // Stores the writes; a locked bit set here ignores writes to that bit.
    void lockBits(uint32_t index, uint64_t bits) { m_locked[index] = bits; }

    const std::vector<Write>& writes() const { return m_writes; }
    void clearWrites() { m_writes.clear(); }
    uint64_t threadMask() const { return m_threadCpus.lowMask(); }
    // The CPU selected for register access, -1 when none is.
    int selectedCpu() const { return m_selected; }
    int initialiseCalls() const { return m_initialiseCalls; }
    uint32_t sleptMs() const { return m_sleptMs; }
    platform::ThreadPriority threadPriority() const { return m_threadPriority; }

    // --- the seam --------------------------------------------------------
    void initialise() override { ++m_initialiseCalls; }
    int status() override { return m_status; }
    bool capabilityTest() override { return true; }
    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override
    {
        if (index == msr::IA32_TIME_STAMP_COUNTER) {
            low = msr::lowHalf(m_tsc[accessCpu()]);
            high = msr::highHalf(m_tsc[accessCpu()]);
            return true;
        }
        auto& file = m_msr[accessCpu()];
        auto it = file.find(index);
        if (it == file.end())
            return false;
        low = msr::lowHalf(it->second);
        high = msr::highHalf(it->second);
        return true;
    }
    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override
    {
        auto& file = m_msr[accessCpu()];
        auto it = file.find(index);
        if (it == file.end())
            return false;
        uint64_t value = msr::join(low, high);
        m_writes.push_back({accessCpu(), index, value});
        uint64_t locked = m_locked.count(index) ? m_locked[index] : 0;
        it->second = (it->second & locked) | (value & ~locked);
        return true;
    }
    void deinitialise() override {}

    platform::CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf) override
    {
        platform::CpuidRegisters regs;
        auto it = m_cpuid.find({leaf, subleaf});
        if (it != m_cpuid.end())
            regs = it->second;
        if (leaf == 1) {
            auto apic = m_apic.find(accessCpu());
            uint32_t id = apic != m_apic.end() ? apic->second : static_cast<uint32_t>(accessCpu());
            regs.ebx = static_cast<uint32_t>(msr::cpuid::features_ebx::InitialApicId.set(regs.ebx, id));
        }
        return regs;
    }
    uint64_t rdtsc() override { return m_tsc[m_current]; }
    bool selectCpu(int cpu) override
    {
        if (cpu >= 0 && !m_systemCpus.contains(cpu))
            return false;
        m_selected = cpu < 0 ? -1 : cpu;
        return true;
    }

    platform::CpuSet setThreadAffinity(const platform::CpuSet& cpus) override
    {
        if (cpus.empty())
            return {};
        platform::CpuSet old = m_threadCpus;
        m_threadCpus = cpus;
        if (!cpus.contains(m_current))
            m_current = cpus.first();
        return old;
    }
    bool processAffinity(platform::CpuSet& process, platform::CpuSet& system) override
    {
        process = m_processCpus;
        system = m_systemCpus;
        return true;
    }
    bool setProcessAffinity(const platform::CpuSet& cpus) override
    {
        m_processCpus = cpus;
        return true;
    }
    int currentCpu() override { return m_current; }
    void sleep(uint32_t milliseconds) override { m_sleptMs += milliseconds; }
    void setPriorityClass(platform::PriorityClass) override {}
    void setThreadPriority(platform::ThreadPriority priority) override { m_threadPriority = priority; }
    int64_t performanceCounter() override { return 0; }
    int64_t performanceFrequency() override { return 1'000'000'000; }
    uint32_t tickCount() override { return 0; }
    std::tm localTime() override { return {}; }

private:
    std::map<std::pair<uint32_t, uint32_t>, platform::CpuidRegisters> m_cpuid;
    std::map<int, uint32_t> m_apic;
    std::map<int, std::map<uint32_t, uint64_t>> m_msr;
    std::map<uint32_t, uint64_t> m_locked;
    std::map<int, uint64_t> m_tsc;
    std::vector<Write> m_writes;
    platform::CpuSet m_processCpus = platform::CpuSet::fromMask(0xFF);
    platform::CpuSet m_systemCpus = platform::CpuSet::fromMask(0xFF);
    platform::CpuSet m_threadCpus = platform::CpuSet::fromMask(0xFF);
    int m_current = 0;
    int m_selected = -1;
    int accessCpu() const { return m_selected >= 0 ? m_selected : m_current; }
    int m_status = 0;
    int m_initialiseCalls = 0;
    uint32_t m_sleptMs = 0;
    platform::ThreadPriority m_threadPriority = platform::ThreadPriority::Normal;
};

} // namespace turbo::test
