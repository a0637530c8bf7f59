#pragma once
// What the settings need to know about the processor: its identity for the
// reference keys, which core slots hold a core, TjMax before the settings
// override, and the class flags that decide key ranges.

#include "hw/BuildFlavour.h"

#include <array>
#include <cstdint>
#include <string>

namespace hw {
struct ProcessorInfo;
}

namespace monitor {

struct ProcessorFacts {
    uint32_t signature = 0;
    std::string brandString;
    // Logical-CPU mask per core slot; a slot with 0 holds no core.
    std::array<uint32_t, hw::MaxCoreSlots> coreMask{};
    // TjMax per core slot before the settings override.
    std::array<int, hw::MaxCoreSlots> tjMax{100, 100, 100, 100, 100, 100, 100, 100};
    bool nehalemClass = false;
    bool sandyBridgeClass = false;

    bool present(int slot) const { return slot >= 0 && slot < hw::MaxCoreSlots && coreMask[slot] != 0; }
};

ProcessorFacts processorFacts(const hw::ProcessorInfo& info);

} // namespace monitor
