#pragma once
// Which logical CPU stands for each core slot, and the package selection that
// narrows the slots to the ones the window shows.

#include "hw/BuildFlavour.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"

#include <optional>
#include <utility>
#include <vector>

namespace hw {

// Fills hyperThreading, coreCpu and coreType. Processors after Sandy Bridge
// are mapped from the topology leaf (0x1F, else 0xB) of every CPU of the
// system set: cores ordered by package, performance before efficient ones,
// then core id, each stood for by its lowest CPU. Older processors keep the
// initial APIC id rule: CPUs 0 to 15 of the system set, the slot from the
// id's low bits, the first CPU found for a slot standing for it. The first
// `slotCount` cores get a slot (the build's mappedSlots); `cores` lists them all.
// Returns to the system set.
void mapCores(HardwareAccess& access, ProcessorInfo& info, int slotCount = ClassicCoreSlots);

// The topology leaf that describes the processor's levels, 0x1F where it has
// a usable one, else 0xB; 0 when neither does.
uint32_t topologyLeaf(platform::Processor& processor);

// Where one logical CPU sits, from the topology leaf asked on that CPU.
struct CpuPlace {
    uint32_t x2apicId = 0;
    int package = 0;
    int coreId = 0;
    CoreType type = CoreType::Unknown;
};
std::optional<CpuPlace> placeOfCpu(platform::Processor& processor, uint32_t leaf);
// The cores of a list of (CPU, place), in slot order.
std::vector<CoreEntry> coresInSlotOrder(const std::vector<std::pair<int, CpuPlace>>& cpus);

// The core slot of an initial APIC identifier (before the limit of slots).
int coreSlotOfApicId(uint32_t apicId, bool hyperThreading);

// Package selection by the Skull key (2: slots 4-7 replace 0-3; 3: slots 6
// and 7 replace 2 and 3; the second package's slots are cleared after), then
// a gap in slot 1 is closed with slot 2. The six-core build has no package
// selection: it keeps every present slot and closes all gaps.
void selectPackage(ProcessorInfo& info, int skull, const BuildFlavour& flavour);

} // namespace hw
