#pragma once
// What the monitor knows about the processor it runs on: identity, the model
// and display names, which logical CPU stands for each core slot, TjMax per
// core and the class flags the other parts branch on. Filled once at start-up
// by the identification steps (ProcessorIdentification.h) and read for the
// whole run.

#include "hw/BuildFlavour.h"
#include "hw/SlotArray.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace hw {

// The kind of a core on processors that mix two (CPUID leaf 0x1A).
enum class CoreType : uint8_t { Unknown, Performance, Efficient };

constexpr int NoCpu = -1;

// One core of the processor as the topology leaves describe it.
struct CoreEntry {
    int cpu = NoCpu;        // the lowest logical CPU of the core that may be pinned to
    int package = 0;
    int coreId = 0;         // the x2APIC id's core field (module, tile and die bits included)
    int threads = 0;        // its logical CPUs that may be pinned to
    CoreType type = CoreType::Unknown;
};

constexpr SlotArray<int> noCoreCpus() { return everySlot(NoCpu); }

struct ProcessorInfo {
    std::string vendor;      // "GenuineIntel" when the vendor matched, else empty
    uint32_t signature = 0;  // CPUID 1 EAX: extended model, family, model, stepping
    std::string brandString; // CPUID 0x80000002..4, up to 48 characters
    std::string modelName;   // short model name, "-----" when none was found
    std::string displayName; // the model name with its prefixes, for the window

    bool hyperThreading = false;
    // The logical CPU that stands for each core slot; NoCpu = no core in the slot.
    SlotArray<int> coreCpu = noCoreCpus();
    SlotArray<CoreType> coreType{};
    // Every core found, in slot order, and whether they come from the
    // topology leaves (0x1F / 0xB) rather than the initial APIC id rule.
    std::vector<CoreEntry> cores;
    bool topologyFromLeaves = false;
    // Every core found, whether it has a slot or not.
    int coreCount = 0;
    // TjMax in °C per core slot, and the value before the settings override.
    SlotArray<int> tjMax{};
    SlotArray<int> tjMaxDetected{};

    bool mobileModel = false;
    bool killMhz = false;
    bool nehalemClass = false;
    // Sandy Bridge and every later processor with the package energy and
    // power limit registers.
    bool sandyBridgeClass = false;
    // Nehalem, Westmere and Sandy Bridge: MSR_TURBO_POWER_CURRENT_LIMIT (0x1AC)
    // exists and the Turbo Boost Limits rules apply. Later processors fault
    // on that register.
    bool turboCurrentLimit = false;

    bool corePresent(int slot) const { return slot >= 0 && slot < MaxCoreSlots && coreCpu[slot] != NoCpu; }
};

// The class flags that follow from a signature.
bool isNehalemClass(uint32_t signature);
bool isSandyBridgeClass(uint32_t signature);
// Processors after Sandy Bridge with the package energy counter (RAPL), by
// model, as the kernel's RAPL driver lists them.
bool isLaterRaplModel(uint32_t signature);
bool isAtomSignature(uint32_t signature);

// The signature as the main window shows it: in the processor field, and in
// the small field used when no graphics processor is monitored.
std::string signatureText(const ProcessorInfo& info, const BuildFlavour& flavour);
std::string shortSignatureText(const ProcessorInfo& info);

// The heading of a core slot's column: its number, after "P" or "E" on
// processors that mix performance and efficient cores ("P3", "E12").
std::string coreLabel(const ProcessorInfo& info, int slot);

// What a build that shows fewer cores than the processor has says once at
// start-up: how many it shows and which build shows them all; empty when the
// build shows every core.
std::string moreCoresNotice(const ProcessorInfo& info, const BuildFlavour& flavour);

} // namespace hw
