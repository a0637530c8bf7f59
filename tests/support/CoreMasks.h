#pragma once
// The core map's slots as one-bit masks of logical CPUs, the form the tables
// of the older tests are written in; 0 for an empty slot.

#include "hw/ProcessorInfo.h"

#include <array>
#include <cstdint>

namespace fake {

using CoreMasks = std::array<uint32_t, hw::MaxCoreSlots>;

inline CoreMasks coreMasks(const std::array<int, hw::MaxCoreSlots>& cpus)
{
    CoreMasks masks{};
    for (int slot = 0; slot < hw::MaxCoreSlots; ++slot)
        masks[slot] = cpus[slot] == hw::NoCpu ? 0u : 1u << cpus[slot];
    return masks;
}

inline std::array<int, hw::MaxCoreSlots> coreCpus(const CoreMasks& masks)
{
    std::array<int, hw::MaxCoreSlots> cpus = hw::noCoreCpus();
    for (int slot = 0; slot < hw::MaxCoreSlots; ++slot)
        if (masks[slot] != 0)
            cpus[slot] = __builtin_ctz(masks[slot]);
    return cpus;
}

} // namespace fake
