#include "hw/HardwareAccess.h"

#include "registers/MsrIndex.h"

namespace hw {

HardwareAccess::HardwareAccess(platform::Processor& processor) : m_processor(processor) { refreshMasks(); }

void HardwareAccess::refreshMasks()
{
    uint32_t process = 0;
    uint32_t system = 0;
    if (m_processor.processAffinityMask(process, system)) {
        m_processMask = process;
        m_systemMask = system;
    }
}

bool HardwareAccess::pin(int cpu)
{
    if (cpu < 0 || cpu > 31)
        return false;
    return pinMask(1u << cpu);
}

bool HardwareAccess::pinMask(uint32_t mask)
{
    bool ok = m_processor.setThreadAffinityMask(mask) != 0;
    m_processor.sleep(0);
    return ok;
}

int HardwareAccess::pinAnyCpu()
{
    for (int cpu = 0; cpu < 32; ++cpu)
        if (present(cpu) && pin(cpu))
            return cpu;
    return -1;
}

void HardwareAccess::unpin() { pinMask(m_systemMask); }

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
