#include "hw/ProcessorInfo.h"

#include <cstdio>

namespace hw {

bool isNehalemClass(uint32_t signature)
{
    return (signature >= 0x106A0 && signature <= 0x106AF) || signature >= 0x106E0;
}

bool isSandyBridgeClass(uint32_t signature)
{
    return (signature >= 0x206A0 && signature <= 0x206AF) || (signature >= 0x206D0 && signature <= 0x206DF);
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

} // namespace hw
