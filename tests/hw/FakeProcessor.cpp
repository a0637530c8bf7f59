#include "tests/hw/FakeProcessor.h"

#include <cstring>

namespace fake {

namespace {

uint32_t packChars(const char* four)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<uint8_t>(four[i]);
    return value;
}

} // namespace

FakeProcessor FakeProcessor::intel(uint32_t leaf1Eax, const std::string& brand, std::vector<uint32_t> apicIds,
                                   uint32_t logicalPerPackage, uint32_t coresPerPackage)
{
    FakeProcessor p;
    p.setVendor("GenuineIntel");
    p.cpuidEntry(0).eax = 0xB;
    platform::CpuidRegisters& leaf1 = p.cpuidEntry(1);
    leaf1.eax = leaf1Eax;
    leaf1.ebx = logicalPerPackage << 16;
    leaf1.ecx = 1u;      // SSE3
    leaf1.edx = 1u << 5; // MSR
    p.cpuidEntry(4).eax = (coresPerPackage - 1) << 26;
    p.cpuidEntry(6).eax = 1; // digital thermal sensor
    p.setBrandString(brand);
    p.setApicIds(std::move(apicIds));
    return p;
}

void FakeProcessor::setVendor(const std::string& twelve)
{
    std::string v = twelve;
    v.resize(12, '\0');
    platform::CpuidRegisters& leaf0 = cpuidEntry(0);
    leaf0.ebx = packChars(v.data());
    leaf0.edx = packChars(v.data() + 4);
    leaf0.ecx = packChars(v.data() + 8);
}

void FakeProcessor::setBrandString(const std::string& brand)
{
    if (brand.empty()) {
        cpuidEntry(0x80000000).eax = 0x80000001;
        return;
    }
    cpuidEntry(0x80000000).eax = 0x80000008;
    char bytes[48] = {};
    std::memcpy(bytes, brand.data(), brand.size() < 47 ? brand.size() : 47);
    for (uint32_t n = 0; n < 3; ++n) {
        const char* part = bytes + 16 * n;
        setCpuid(0x80000002 + n, {packChars(part), packChars(part + 4), packChars(part + 8), packChars(part + 12)});
    }
}

void FakeProcessor::setApicIds(std::vector<uint32_t> apicIds) { m_apicIds = std::move(apicIds); }

void FakeProcessor::setMsrOnAll(uint32_t index, uint64_t value)
{
    for (int cpu = 0; cpu < static_cast<int>(m_apicIds.size()); ++cpu)
        setMsr(cpu, index, value);
}

uint64_t FakeProcessor::msr(int cpu, uint32_t index) const
{
    auto it = m_msr.find({cpu, index});
    return it == m_msr.end() ? 0 : it->second;
}

void FakeProcessor::setTime(int hour, int minute, int second)
{
    m_now.tm_hour = hour;
    m_now.tm_min = minute;
    m_now.tm_sec = second;
}

bool FakeProcessor::readMsr(uint32_t index, uint32_t& low, uint32_t& high)
{
    auto it = m_msr.find({accessCpu(), index});
    if (it == m_msr.end())
        return false;
    low = static_cast<uint32_t>(it->second);
    high = static_cast<uint32_t>(it->second >> 32);
    return true;
}

bool FakeProcessor::writeMsr(uint32_t index, uint32_t low, uint32_t high)
{
    auto it = m_msr.find({accessCpu(), index});
    if (it == m_msr.end())
        return false;
    it->second = (uint64_t(high) << 32) | low;
    m_writes.push_back({accessCpu(), index, it->second});
    return true;
}

platform::CpuidRegisters FakeProcessor::cpuid(uint32_t leaf, uint32_t subleaf)
{
    auto it = m_cpuid.find({leaf, subleaf});
    platform::CpuidRegisters regs = it == m_cpuid.end() ? platform::CpuidRegisters{} : it->second;
    const int cpu = accessCpu();
    if (leaf == 1 && cpu < static_cast<int>(m_apicIds.size()))
        regs.ebx = (regs.ebx & 0x00FFFFFFu) | (m_apicIds[static_cast<size_t>(cpu)] << 24);
    return regs;
}

bool FakeProcessor::selectCpu(int cpu)
{
    platform::CpuSet system;
    platform::CpuSet process;
    processAffinity(process, system);
    if (cpu >= 0 && !system.contains(cpu))
        return false;
    m_selectedCpu = cpu < 0 ? -1 : cpu;
    return true;
}

platform::CpuSet FakeProcessor::setThreadAffinity(const platform::CpuSet& cpus)
{
    platform::CpuSet system;
    platform::CpuSet process;
    processAffinity(process, system);
    const platform::CpuSet usable = cpus & system;
    if (usable.empty())
        return {};
    platform::CpuSet previous = m_affinity;
    m_affinity = cpus;
    m_currentCpu = usable.first();
    return previous;
}

bool FakeProcessor::processAffinity(platform::CpuSet& process, platform::CpuSet& system)
{
    system = platform::CpuSet::range(0, static_cast<int>(m_apicIds.size()) - 1);
    process = system;
    return true;
}

} // namespace fake
