#pragma once
// A processor made of tables for tests: CPUID leaves from a map (leaf 1 EBX
// carries each logical CPU's initial APIC identifier), model-specific
// registers from a map per logical CPU (a register not in the map fails like
// a real #GP), virtual affinity and a settable local time.

#include "platform/Processor.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fake {

class FakeProcessor : public platform::Processor {
public:
    struct Write {
        int cpu;
        uint32_t index;
        uint64_t value;
    };

    // An Intel processor with the MSR, SSE3 and thermal-sensor flags, leaf 1
    // EBX[23:16] = logicalPerPackage, leaf 4 cores = coresPerPackage, one
    // logical CPU per entry of apicIds.
    static FakeProcessor intel(uint32_t leaf1Eax, const std::string& brand, std::vector<uint32_t> apicIds = {0},
                               uint32_t logicalPerPackage = 1, uint32_t coresPerPackage = 1);

    void setCpuid(uint32_t leaf, platform::CpuidRegisters regs, uint32_t subleaf = 0) { m_cpuid[{leaf, subleaf}] = regs; }
    platform::CpuidRegisters& cpuidEntry(uint32_t leaf, uint32_t subleaf = 0) { return m_cpuid[{leaf, subleaf}]; }
    void setVendor(const std::string& twelveCharacters);
    void setBrandString(const std::string& brand); // empty: no brand leaves at all
    void setApicIds(std::vector<uint32_t> apicIds);

    void setMsr(int cpu, uint32_t index, uint64_t value) { m_msr[{cpu, index}] = value; }
    void setMsrOnAll(uint32_t index, uint64_t value);
    uint64_t msr(int cpu, uint32_t index) const;
    const std::vector<Write>& writes() const { return m_writes; }
    // The CPU register accesses go to now: the selected one, else the current.
    int accessCpu() const { return m_selectedCpu >= 0 ? m_selectedCpu : m_currentCpu; }
    // The selected CPU, -1 when none is.
    int selectedCpu() const { return m_selectedCpu; }
    void setTime(int hour, int minute, int second);

    // platform::Processor
    void initialise() override {}
    int status() override { return 0; }
    bool capabilityTest() override { return true; }
    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override;
    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override;
    void deinitialise() override {}
    platform::CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf = 0) override;
    uint64_t rdtsc() override { return 0; }
    bool selectCpu(int cpu) override;
    platform::CpuSet setThreadAffinity(const platform::CpuSet& cpus) override;
    bool processAffinity(platform::CpuSet& process, platform::CpuSet& system) override;
    bool setProcessAffinity(const platform::CpuSet&) override { return true; }
    int currentCpu() override { return m_currentCpu; }
    void sleep(uint32_t) override {}
    void setPriorityClass(platform::PriorityClass) override {}
    void setThreadPriority(platform::ThreadPriority) override {}
    int64_t performanceCounter() override { return 0; }
    int64_t performanceFrequency() override { return 1000000000; }
    uint32_t tickCount() override { return 0; }
    std::tm localTime() override { return m_now; }

private:
    std::map<std::pair<uint32_t, uint32_t>, platform::CpuidRegisters> m_cpuid;
    std::vector<uint32_t> m_apicIds{0};
    std::map<std::pair<int, uint32_t>, uint64_t> m_msr;
    std::vector<Write> m_writes;
    platform::CpuSet m_affinity = platform::CpuSet::of(0);
    int m_currentCpu = 0;
    int m_selectedCpu = -1;
    std::tm m_now{};
};

} // namespace fake
