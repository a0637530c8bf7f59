#include "common/SwitchRegisters.h"

namespace common {

SwitchWrite switchOnThisCpu(hw::HardwareAccess& access, const SwitchBits& bits, hw::SwitchState state)
{
    uint64_t value = 0;
    if (!access.read(bits.index(), value))
        return SwitchWrite::Unreadable;
    if (bits.locked(value))
        return SwitchWrite::Locked;
    return access.write(bits.index(), bits.applied(value, state)) ? SwitchWrite::Written : SwitchWrite::WriteFailed;
}

SwitchOutcome switchOnEachCpu(hw::HardwareAccess& access, const platform::CpuSet& cpus, const SwitchBits& bits,
                              hw::SwitchState state)
{
    SwitchOutcome outcome;
    cpus.forEach([&](int cpu) {
        if (access.pin(cpu))
            outcome.add(cpu, switchOnThisCpu(access, bits, state));
    });
    return outcome;
}

} // namespace common
