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

SwitchOutcome switchOnEachCpu(hw::HardwareAccess& access, const SwitchCpus& cpus, const SwitchBits& bits,
                              hw::SwitchState state)
{
    SwitchOutcome outcome;
    for (int cpu = cpus.first; cpu <= cpus.last && cpu < 32; ++cpu) {
        if (cpu < 0 || !((cpus.mask >> cpu) & 1u) || !access.pin(cpu))
            continue;
        outcome.add(cpu, switchOnThisCpu(access, bits, state));
    }
    return outcome;
}

} // namespace common
