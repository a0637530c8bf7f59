#include "hw/HardwareAccess.h"

#include "registers/MsrIndex.h"

namespace hw {

HardwareAccess::HardwareAccess(platform::Processor& processor) : m_processor(processor) { refreshMasks(); }

void HardwareAccess::refreshMasks()
{
    platform::CpuSet process;
    platform::CpuSet system;
    if (m_processor.processAffinity(process, system)) {
        m_processCpus = std::move(process);
        m_systemCpus = std::move(system);
    }
}

bool HardwareAccess::pin(int cpu)
{
    if (cpu < 0)
        return false;
    return m_processor.selectCpu(cpu);
}

bool HardwareAccess::moveThreadTo(int cpu)
{
    if (cpu < 0)
        return false;
    bool ok = !m_processor.setThreadAffinity(platform::CpuSet::of(cpu)).empty();
    m_processor.sleep(0);
    return ok;
}

void HardwareAccess::moveThreadBack() { m_processor.setThreadAffinity(m_systemCpus); }

int HardwareAccess::pinAnyCpu()
{
    for (int cpu = m_systemCpus.first(); cpu >= 0; cpu = m_systemCpus.next(cpu))
        if (pin(cpu))
            return cpu;
    return -1;
}

void HardwareAccess::unpin() { m_processor.selectCpu(-1); }

bool HardwareAccess::read(uint32_t index, uint64_t& value)
{
    uint32_t low = 0;
    uint32_t high = 0;
    if (!m_processor.readMsr(index, low, high))
        return false;
    value = msr::join(low, high);
    return true;
}

uint64_t HardwareAccess::read(uint32_t index)
{
    uint64_t value = 0;
    return read(index, value) ? value : 0;
}

bool HardwareAccess::write(uint32_t index, uint64_t value)
{
    return m_processor.writeMsr(index, msr::lowHalf(value), msr::highHalf(value));
}

} // namespace hw
