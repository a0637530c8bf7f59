#include "hw/ProcessorIdentification.h"

#include "hw/ModelName.h"
#include "registers/MsrIndex.h"
#include "hw/TjMaxRules.h"

namespace hw {

namespace cpuid = msr::cpuid;

namespace {

void appendRegister(std::string& text, uint32_t value)
{
    for (int byte = 0; byte < 4; ++byte)
        text += static_cast<char>(msr::Field{static_cast<unsigned>(byte * 8), 8}.get(value));
}

} // namespace

void unlockCpuid(HardwareAccess& access)
{
    uint64_t misc = 0;
    if (!access.read(msr::IA32_MISC_ENABLE, misc))
        return;
    access.write(msr::IA32_MISC_ENABLE, msr::misc_enable::LimitCpuidMaxValue.set(misc, 0));
}

Support testSupport(platform::Processor& processor, ProcessorInfo& info)
{
    const platform::CpuidRegisters leaf0 = processor.cpuid(cpuid::LeafVendor);
    std::string vendor;
    appendRegister(vendor, leaf0.ebx);
    appendRegister(vendor, leaf0.edx);
    appendRegister(vendor, leaf0.ecx);
    bool supported = vendor == "GenuineIntel";
    info.vendor = supported ? vendor : std::string();

    const platform::CpuidRegisters leaf1 = processor.cpuid(cpuid::LeafFeatures);
    info.signature = cpuid::signature(leaf1.eax);
    info.nehalemClass = isNehalemClass(info.signature);
    info.sandyBridgeClass = isSandyBridgeClass(info.signature);
    info.turboCurrentLimit = info.nehalemClass && !isLaterRaplModel(info.signature);
    if (info.signature >= 0xF00 && info.signature <= 0xF70)
        supported = false;
    if (!cpuid::features_edx::Msr.test(leaf1.edx) || !cpuid::features_ecx::Sse3.test(leaf1.ecx))
        supported = false;

    // A digital thermal sensor is all the monitor needs, whatever the above said.
    if (leaf0.eax >= cpuid::LeafThermalPower &&
        cpuid::thermal_power_eax::DigitalThermalSensor.test(processor.cpuid(cpuid::LeafThermalPower).eax))
        supported = true;

    return supported ? Support::Supported : Support::Unsupported;
}

std::string readBrandString(platform::Processor& processor)
{
    if (processor.cpuid(cpuid::LeafExtendedMax).eax <= 0x80000003)
        return {};
    std::string brand;
    for (uint32_t leaf = cpuid::LeafBrandFirst; leaf <= cpuid::LeafBrandLast; ++leaf) {
        const platform::CpuidRegisters r = processor.cpuid(leaf);
        appendRegister(brand, r.eax);
        appendRegister(brand, r.ebx);
        appendRegister(brand, r.ecx);
        appendRegister(brand, r.edx);
    }
    // The text ends at its terminating zero.
    const size_t end = brand.find('\0');
    if (end != std::string::npos)
        brand.resize(end);
    return brand;
}

Support identifyProcessor(HardwareAccess& access, ProcessorInfo& info, Messages& messages)
{
    unlockCpuid(access);
    const Support support = testSupport(access.processor(), info);

    if (access.pinAnyCpu() >= 0)
        info.brandString = readBrandString(access.processor());
    info.modelName = modelNameFor(info.brandString, info.signature);
    access.unpin();

    if (support == Support::Unsupported)
        messages.showError("Error", unsupportedProcessorText(info));
    return support;
}

std::string unsupportedProcessorText(const ProcessorInfo& info)
{
    return "The processor detected is not supported.\n\n" + info.vendor + "\n" + info.brandString + "\n\n";
}

void applyModelRules(ProcessorInfo& info, int killMHzKey, const BuildFlavour& flavour)
{
    applyTjMaxTable(info, flavour);
    settleKillMhz(info, killMHzKey, flavour);
    info.displayName = displayNameFor(info.modelName, info.brandString, info.signature, flavour);
}

} // namespace hw
