#include "hw/CoreMap.h"

#include "registers/MsrIndex.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace hw {

namespace cpuid = msr::cpuid;

namespace {

// The legacy rule: CPUs 0 to 15, the slot from the initial APIC id's low bits.
void mapByInitialApicId(HardwareAccess& access, ProcessorInfo& info, int slots)
{
    platform::Processor& processor = access.processor();
    const platform::CpuidRegisters feature = processor.cpuid(cpuid::LeafFeatures);
    const platform::CpuidRegisters cache = processor.cpuid(cpuid::LeafCacheParameters, 0);
    const uint64_t logical = cpuid::features_ebx::LogicalProcessorCount.get(feature.ebx);
    const uint64_t cores = cpuid::cache_parameters_eax::CoresPerPackageLessOne.get(cache.eax) + 1;
    info.hyperThreading = logical / cores > 1;

    std::set<int> found;
    for (int cpu = 0; cpu < 16; ++cpu) {
        // A CPU that refuses the pinning is absent: its CPUID would come
        // from whatever CPU the thread was left on.
        if (!access.present(cpu) || !access.pin(cpu))
            continue;
        const uint32_t apicId =
            static_cast<uint32_t>(cpuid::features_ebx::InitialApicId.get(processor.cpuid(cpuid::LeafFeatures).ebx));
        const int slot = coreSlotOfApicId(apicId, info.hyperThreading);
        found.insert(slot);
        if (slot < slots && info.coreCpu[slot] == NoCpu)
            info.coreCpu[slot] = cpu;
    }
    access.unpin();
    info.coreCount = static_cast<int>(found.size());
}

} // namespace

uint32_t topologyLeaf(platform::Processor& processor)
{
    // A leaf counts when it describes at least two levels (threads, and the
    // cores above them), each answering with its own level number.
    const uint32_t maxLeaf = processor.cpuid(cpuid::LeafVendor).eax;
    for (uint32_t leaf : {cpuid::LeafTopologyV2, cpuid::LeafTopology}) {
        if (maxLeaf < leaf)
            continue;
        const platform::CpuidRegisters second = processor.cpuid(leaf, 1);
        if (cpuid::topology_ebx::LogicalProcessorsAtLevel.get(processor.cpuid(leaf, 0).ebx) != 0
            && cpuid::topology_ecx::LevelType.get(second.ecx) != 0
            && cpuid::topology_ecx::LevelNumber.get(second.ecx) == 1)
            return leaf;
    }
    return 0;
}

namespace {

bool laterTopologyRules(const ProcessorInfo& info) { return isLaterRaplModel(info.signature); }

} // namespace

int coreSlotOfApicId(uint32_t apicId, bool hyperThreading)
{
    int slot = static_cast<int>(cpuid::apic_id::CoreAndThread.get(apicId));
    if (cpuid::apic_id::SecondPackage.test(apicId))
        slot += 8;
    return hyperThreading ? slot / 2 : slot;
}

std::optional<CpuPlace> placeOfCpu(platform::Processor& processor, uint32_t leaf)
{
    unsigned smtShift = 0;
    unsigned packageShift = 0;
    uint32_t x2apicId = 0;
    bool found = false;
    for (uint32_t subleaf = 0; subleaf < 8; ++subleaf) {
        const platform::CpuidRegisters level = processor.cpuid(leaf, subleaf);
        const uint64_t type = cpuid::topology_ecx::LevelType.get(level.ecx);
        if (type == 0 || cpuid::topology_ecx::LevelNumber.get(level.ecx) != subleaf)
            break;
        const unsigned shift = static_cast<unsigned>(cpuid::topology_eax::ShiftToNextLevel.get(level.eax));
        if (type == cpuid::topology_ecx::LevelTypeSmt)
            smtShift = shift;
        // The last level's shift leaves the package number above it.
        packageShift = shift;
        x2apicId = level.edx;
        found = true;
    }
    if (!found || packageShift < smtShift || packageShift >= 32)
        return std::nullopt;
    CpuPlace place;
    place.x2apicId = x2apicId;
    place.package = static_cast<int>(x2apicId >> packageShift);
    place.coreId = static_cast<int>((x2apicId & ((1u << packageShift) - 1)) >> smtShift);
    if (processor.cpuid(cpuid::LeafVendor).eax >= cpuid::LeafHybridInformation) {
        const uint64_t kind =
            cpuid::hybrid_information_eax::CoreType.get(processor.cpuid(cpuid::LeafHybridInformation).eax);
        if (kind == cpuid::hybrid_information_eax::CoreTypeCore)
            place.type = CoreType::Performance;
        else if (kind == cpuid::hybrid_information_eax::CoreTypeAtom)
            place.type = CoreType::Efficient;
    }
    return place;
}

std::vector<CoreEntry> coresInSlotOrder(const std::vector<std::pair<int, CpuPlace>>& cpus)
{
    std::map<std::pair<int, int>, CoreEntry> byCore;
    for (const auto& [cpu, place] : cpus) {
        CoreEntry& core = byCore[{place.package, place.coreId}];
        if (core.threads++ == 0 || cpu < core.cpu)
            core.cpu = cpu;
        core.package = place.package;
        core.coreId = place.coreId;
        core.type = place.type;
    }
    std::vector<CoreEntry> cores;
    for (const auto& [key, core] : byCore)
        cores.push_back(core);
    // Package, then performance cores before efficient ones (the order the
    // kernel numbers them in), then core id.
    const auto rank = [](CoreType type) { return type == CoreType::Efficient ? 1 : 0; };
    std::stable_sort(cores.begin(), cores.end(), [&](const CoreEntry& a, const CoreEntry& b) {
        if (a.package != b.package)
            return a.package < b.package;
        return rank(a.type) < rank(b.type);
    });
    return cores;
}

void mapCores(HardwareAccess& access, ProcessorInfo& info, int slots)
{
    slots = std::clamp(slots, 0, MaxCoreSlots);
    info.coreCpu = noCoreCpus();
    info.coreType = {};
    info.cores.clear();
    info.coreCount = 0;
    info.topologyFromLeaves = false;

    platform::Processor& processor = access.processor();
    const uint32_t leaf = laterTopologyRules(info) ? topologyLeaf(processor) : 0;
    if (leaf == 0) {
        mapByInitialApicId(access, info, slots);
        return;
    }

    std::vector<std::pair<int, CpuPlace>> places;
    access.forEachCpu([&](int cpu) {
        if (std::optional<CpuPlace> place = placeOfCpu(processor, leaf))
            places.emplace_back(cpu, *place);
    });
    info.topologyFromLeaves = true;
    info.cores = coresInSlotOrder(places);
    info.coreCount = static_cast<int>(info.cores.size());
    info.hyperThreading = std::any_of(info.cores.begin(), info.cores.end(),
                                      [](const CoreEntry& core) { return core.threads > 1; });
    for (size_t slot = 0; slot < info.cores.size() && slot < static_cast<size_t>(slots); ++slot) {
        info.coreCpu[slot] = info.cores[slot].cpu;
        info.coreType[slot] = info.cores[slot].type;
    }
}

void selectPackage(ProcessorInfo& info, int skull, const BuildFlavour& flavour)
{
    if (info.topologyFromLeaves) {
        // The cores are already in order. Skull 2 shows the second package's
        // first cores, Skull 3 the first two of each package; the build
        // with package selection keeps four slots, as it does by APIC ids.
        if (!flavour.packageSelection)
            return;
        if (skull != 2 && skull != 3) {
            for (int slot = 4; slot < MaxCoreSlots; ++slot)
                info.coreCpu[slot] = NoCpu;
            return;
        }
        std::vector<CoreEntry> shown;
        for (const CoreEntry& core : info.cores)
            if (core.package == 1 && (skull == 2 || shown.size() < 2))
                shown.push_back(core);
        if (shown.empty())
            return;
        if (skull == 3) {
            std::vector<CoreEntry> first;
            for (const CoreEntry& core : info.cores)
                if (core.package == 0 && first.size() < 2)
                    first.push_back(core);
            shown.insert(shown.begin(), first.begin(), first.end());
        }
        info.coreCpu = noCoreCpus();
        info.coreType = {};
        for (size_t slot = 0; slot < shown.size() && slot < 4; ++slot) {
            info.coreCpu[slot] = shown[slot].cpu;
            info.coreType[slot] = shown[slot].type;
        }
        return;
    }

    auto& cpu = info.coreCpu;
    if (!flavour.packageSelection) {
        // Every package is shown: the present slots move down in order, so a
        // six-core processor whose core numbers skip (0, 1, 2, 8, 9, 10) fills
        // slots 0 to 5.
        std::stable_partition(cpu.begin(), cpu.end(), [](int n) { return n != NoCpu; });
        return;
    }

    if (skull == 2) {
        for (int slot = 0; slot < 4; ++slot)
            cpu[slot] = cpu[slot + 4];
    } else if (skull == 3) {
        cpu[2] = cpu[6];
        cpu[3] = cpu[7];
    }
    for (int slot = 4; slot < MaxCoreSlots; ++slot)
        cpu[slot] = NoCpu;

    if (cpu[1] == NoCpu) {
        cpu[1] = cpu[2];
        cpu[2] = NoCpu;
    }
}

} // namespace hw
