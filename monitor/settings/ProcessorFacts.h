#pragma once
// What the settings need to know about the processor: its identity for the
// reference keys, which core slots hold a core, TjMax before the settings
// override, and the class flags that decide key ranges.

#include "hw/BuildFlavour.h"
#include "hw/ProcessorInfo.h"

#include <array>
#include <cstdint>
#include <string>

namespace monitor {

struct ProcessorFacts {
    uint32_t signature = 0;
    std::string brandString;
    // The logical CPU of each core slot; hw::NoCpu for a slot without a core.
    hw::SlotArray<int> coreCpu = hw::noCoreCpus();
    // TjMax per core slot before the settings override.
    hw::SlotArray<int> tjMax = hw::everySlot(100);
    bool nehalemClass = false;
    bool sandyBridgeClass = false;

    bool present(int slot) const { return slot >= 0 && slot < hw::MaxCoreSlots && coreCpu[slot] != hw::NoCpu; }
};

ProcessorFacts processorFacts(const hw::ProcessorInfo& info);

} // namespace monitor
