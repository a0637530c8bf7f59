#include "monitor/lifecycle/ClockModulation.h"

#include "registers/MsrIndex.h"

namespace monitor {

void WriteClockModulation(hw::HardwareAccess& access, uint32_t value)
{
    const uint64_t image = msr::join(value, 0);
    access.forEachCpu([&](int) { access.write(msr::IA32_CLOCK_MODULATION, image); });
}

} // namespace monitor
