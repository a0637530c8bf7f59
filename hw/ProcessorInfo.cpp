#include "hw/ProcessorInfo.h"

#include <cstdio>

namespace hw {

bool isNehalemClass(uint32_t signature)
{
    return (signature >= 0x106A0 && signature <= 0x106AF) || signature >= 0x106E0;
}

bool isSandyBridgeClass(uint32_t signature)
{
    return (signature >= 0x206A0 && signature <= 0x206AF) || (signature >= 0x206D0 && signature <= 0x206DF)
           || isLaterRaplModel(signature);
}

bool isLaterRaplModel(uint32_t signature)
{
    // Family 6 models from Ivy Bridge on, in the order they came.
    static constexpr uint8_t models[] = {
        0x3A, 0x3E,                   // Ivy Bridge, Ivy Bridge-E/EP
        0x3C, 0x3F, 0x45, 0x46,       // Haswell, -E/EP, ULT, GT3e
        0x3D, 0x47, 0x4F, 0x56,       // Broadwell, GT3e, -E/EP, -DE
        0x4E, 0x5E, 0x55,             // Skylake mobile, desktop, -SP
        0x8E, 0x9E,                   // Kaby Lake, Coffee Lake
        0x66, 0x7D, 0x7E, 0x6A, 0x6C, // Cannon Lake, Ice Lake, Ice Lake-SP/D
        0xA5, 0xA6, 0xA7,             // Comet Lake, Rocket Lake
        0x8C, 0x8D,                   // Tiger Lake
        0x97, 0x9A, 0xBE,             // Alder Lake-S, -P, -N
        0xB7, 0xBA, 0xBF,             // Raptor Lake-S, -P, -S refresh
        0xAA, 0xAC,                   // Meteor Lake
        0xBD, 0xC5, 0xC6, 0xB5,       // Lunar Lake, Arrow Lake
        0x8F, 0xCF, 0xAD, 0xAE, 0xAF, // Sapphire, Emerald, Granite Rapids, Sierra Forest
        0x37, 0x4A, 0x4C, 0x4D, 0x5A, // Silvermont, Airmont Atoms
        0x5C, 0x5F, 0x7A,             // Goldmont, Goldmont Plus
        0x86, 0x8A, 0x96, 0x9C,       // Tremont
        0x57, 0x85,                   // Xeon Phi
    };
    if (((signature >> 8) & 0xF) != 6)
        return false;
    const uint32_t model = ((signature >> 12) & 0xF0) | ((signature >> 4) & 0xF);
    for (uint8_t known : models)
        if (known == model)
            return true;
    return false;
}

bool isAtomSignature(uint32_t signature) { return signature >= 0x106C0 && signature <= 0x106CF; }

std::string signatureText(const ProcessorInfo& info, const BuildFlavour& flavour)
{
    char text[32];
    if (flavour.sixCoreRules)
        std::snprintf(text, sizeof text, "CPUID  0x%04X", static_cast<unsigned>(info.signature));
    else
        std::snprintf(text, sizeof text, "%05X", static_cast<unsigned>(info.signature));
    return text;
}

std::string shortSignatureText(const ProcessorInfo& info)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(info.signature));
    return text;
}

std::string coreLabel(const ProcessorInfo& info, int slot)
{
    const std::string number = std::to_string(slot);
    if (slot < 0 || slot >= MaxCoreSlots)
        return number;
    bool efficient = false;
    for (const CoreEntry& core : info.cores)
        efficient = efficient || core.type == CoreType::Efficient;
    if (!efficient)
        return number;
    switch (info.coreType[static_cast<size_t>(slot)]) {
    case CoreType::Performance: return "P" + number;
    case CoreType::Efficient: return "E" + number;
    case CoreType::Unknown: break;
    }
    return number;
}

std::string moreCoresNotice(const ProcessorInfo& info, const BuildFlavour& flavour)
{
    if (info.coreCount <= flavour.coreSlots)
        return {};
    int shown = 0;
    for (int slot = 0; slot < flavour.coreSlots; ++slot)
        shown += info.corePresent(slot) ? 1 : 0;
    char text[160];
    std::snprintf(text, sizeof text, "this processor has %d cores; %s shows %d.", info.coreCount,
                  flavour.programName, shown);
    std::string notice = text;
    // The build with the fewest columns that has one for every core.
    for (const BuildFlavour* build : {&SixCoreBuild, &ManyCoreBuild}) {
        if (build->coreSlots >= info.coreCount && build->coreSlots > flavour.coreSlots) {
            notice += " Start ";
            notice += build->programName;
            notice += " to see every core.";
            break;
        }
    }
    return notice;
}

} // namespace hw
