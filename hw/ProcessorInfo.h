#pragma once
// What the monitor knows about the processor it runs on: identity, the model
// and display names, which logical CPU stands for each core slot, TjMax per
// core and the class flags the other parts branch on. Filled once at start-up
// by the identification steps (ProcessorIdentification.h) and read for the
// whole run.

#include "hw/BuildFlavour.h"

#include <array>
#include <cstdint>
#include <string>

namespace hw {

struct ProcessorInfo {
    std::string vendor;      // "GenuineIntel" when the vendor matched, else empty
    uint32_t signature = 0;  // CPUID 1 EAX: extended model, family, model, stepping
    std::string brandString; // CPUID 0x80000002..4, up to 48 characters
    std::string modelName;   // short model name, "-----" when none was found
    std::string displayName; // the model name with its prefixes, for the window

    bool hyperThreading = false;
    // One logical CPU (a one-bit mask) per core slot; 0 = no core in the slot.
    std::array<uint32_t, MaxCoreSlots> coreMask{};
    // TjMax in °C per core slot, and the value before the settings override.
    std::array<int, MaxCoreSlots> tjMax{};
    std::array<int, MaxCoreSlots> tjMaxDetected{};

    bool mobileModel = false;
    bool killMhz = false;
    bool nehalemClass = false;
    bool sandyBridgeClass = false;

    bool corePresent(int slot) const { return slot >= 0 && slot < MaxCoreSlots && coreMask[slot] != 0; }
};

// The class flags that follow from a signature.
bool isNehalemClass(uint32_t signature);
bool isSandyBridgeClass(uint32_t signature);
bool isAtomSignature(uint32_t signature);

// The signature as the main window shows it: in the processor field, and in
// the small field used when no graphics processor is monitored.
std::string signatureText(const ProcessorInfo& info, const BuildFlavour& flavour);
std::string shortSignatureText(const ProcessorInfo& info);

} // namespace hw
