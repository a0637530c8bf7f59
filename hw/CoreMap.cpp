#include "hw/CoreMap.h"

#include "registers/MsrIndex.h"

#include <algorithm>

namespace hw {

namespace cpuid = msr::cpuid;

int coreSlotOfApicId(uint32_t apicId, bool hyperThreading)
{
    int slot = static_cast<int>(cpuid::apic_id::CoreAndThread.get(apicId));
    if (cpuid::apic_id::SecondPackage.test(apicId))
        slot += 8;
    return hyperThreading ? slot / 2 : slot;
}

void mapCores(HardwareAccess& access, ProcessorInfo& info)
{
    platform::Processor& processor = access.processor();
    const platform::CpuidRegisters feature = processor.cpuid(cpuid::LeafFeatures);
    const platform::CpuidRegisters cache = processor.cpuid(cpuid::LeafCacheParameters, 0);
    const uint64_t logical = cpuid::features_ebx::LogicalProcessorCount.get(feature.ebx);
    const uint64_t cores = cpuid::cache_parameters_eax::CoresPerPackageLessOne.get(cache.eax) + 1;
    info.hyperThreading = logical / cores > 1;

    info.coreMask.fill(0);
    for (int cpu = 0; cpu < 16; ++cpu) {
        // A CPU that refuses the pinning is absent: its CPUID would come
        // from whatever CPU the thread was left on.
        if (!access.present(cpu) || !access.pin(cpu))
            continue;
        const uint32_t apicId =
            static_cast<uint32_t>(cpuid::features_ebx::InitialApicId.get(processor.cpuid(cpuid::LeafFeatures).ebx));
        const int slot = coreSlotOfApicId(apicId, info.hyperThreading);
        if (slot < MaxCoreSlots && info.coreMask[slot] == 0)
            info.coreMask[slot] = 1u << cpu;
    }
    access.unpin();
}

void selectPackage(ProcessorInfo& info, int skull, const BuildFlavour& flavour)
{
    auto& mask = info.coreMask;
    if (!flavour.packageSelection) {
        // Every package is shown: the present slots move down in order, so a
        // six-core processor whose core numbers skip (0, 1, 2, 8, 9, 10) fills
        // slots 0 to 5.
        std::stable_partition(mask.begin(), mask.end(), [](uint32_t m) { return m != 0; });
        return;
    }

    if (skull == 2) {
        for (int slot = 0; slot < 4; ++slot)
            mask[slot] = mask[slot + 4];
    } else if (skull == 3) {
        mask[2] = mask[6];
        mask[3] = mask[7];
    }
    for (int slot = 4; slot < MaxCoreSlots; ++slot)
        mask[slot] = 0;

    if (mask[1] == 0) {
        mask[1] = mask[2];
        mask[2] = 0;
    }
}

} // namespace hw
