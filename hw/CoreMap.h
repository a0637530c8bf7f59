#pragma once
// Which logical CPU stands for each core slot, and the package selection that
// narrows the slots to the ones the window shows.

#include "hw/BuildFlavour.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"

namespace hw {

// Fills hyperThreading and coreMask: every logical CPU 0 to 15 of the system
// mask is visited, its initial APIC identifier gives its core slot, and the
// first CPU found for a slot stands for it. Returns to the system mask.
void mapCores(HardwareAccess& access, ProcessorInfo& info);

// The core slot of an initial APIC identifier (before the 8-slot limit).
int coreSlotOfApicId(uint32_t apicId, bool hyperThreading);

// Package selection by the Skull key (2: slots 4-7 replace 0-3; 3: slots 6
// and 7 replace 2 and 3; the second package's slots are cleared after), then
// a gap in slot 1 is closed with slot 2. The six-core build has no package
// selection: it keeps every present slot and closes all gaps.
void selectPackage(ProcessorInfo& info, int skull, const BuildFlavour& flavour);

} // namespace hw
