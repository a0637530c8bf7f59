#pragma once
// The core map's slots as one-bit masks of logical CPUs, the form the tables
// of the older tests are written in; 0 for an empty slot. They cover the
// slots of the four- and six-core builds; a core in a later slot fails the
// test that asks.

#include "hw/ProcessorInfo.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace fake {

using CoreMasks = std::array<uint32_t, hw::ClassicCoreSlots>;

inline CoreMasks coreMasks(const std::array<int, hw::MaxCoreSlots>& cpus)
{
    CoreMasks masks{};
    for (int slot = 0; slot < hw::MaxCoreSlots; ++slot) {
        if (slot >= hw::ClassicCoreSlots) {
            EXPECT_EQ(cpus[slot], hw::NoCpu) << "core slot " << slot << " is filled";
            continue;
        }
        masks[slot] = cpus[slot] == hw::NoCpu ? 0u : 1u << cpus[slot];
    }
    return masks;
}

inline std::array<int, hw::MaxCoreSlots> coreCpus(const CoreMasks& masks)
{
    std::array<int, hw::MaxCoreSlots> cpus = hw::noCoreCpus();
    for (int slot = 0; slot < hw::ClassicCoreSlots; ++slot)
        if (masks[slot] != 0)
            cpus[slot] = __builtin_ctz(masks[slot]);
    return cpus;
}

} // namespace fake
