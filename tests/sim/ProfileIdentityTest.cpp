// Each profile identifies itself as the real processor does: vendor,
// signature, brand string, topology and APIC ids, counter width, TjMax
// register; and every CPUID leaf not deliberately patched is the dump's.

#include "SimTestSupport.h"

#include "sim/CpuidTable.h"

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

namespace {

using simtest::Rig;

struct Identity {
    const char* profile;
    uint32_t signature;
    const char* brand;
    int packages;
    int cores;            // per package
    int threadsPerCore;
    std::vector<uint32_t> apicIds;
    unsigned counterWidth;
    int tjMaxRegister;    // 0: the processor has no MSR_TEMPERATURE_TARGET
};

const std::vector<Identity> identities = {
    {"e8400", 0x10676, "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", 1, 2, 1, {0, 1}, 40, 0},
    {"q6600", 0x006FB, "Intel(R) Core(TM)2 Quad CPU    Q6600  @ 2.40GHz", 1, 4, 1, {0, 1, 2, 3}, 40, 0},
    {"q9550", 0x10677, "Intel(R) Core(TM)2 Quad  CPU   Q9550  @ 2.83GHz", 1, 4, 1, {0, 1, 2, 3}, 40, 0},
    {"t9300", 0x10676, "Intel(R) Core(TM)2 Duo CPU     T9300  @ 2.50GHz", 1, 2, 1, {0, 1}, 40, 0},
    {"n270", 0x106C2, "         Intel(R) Atom(TM) CPU N270   @ 1.60GHz", 1, 1, 2, {0, 1}, 40, 0},
    {"i7-920", 0x106A4, "Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", 1, 4, 2, {0, 1, 2, 3, 4, 5, 6, 7}, 48, 100},
    {"i7-975", 0x106A5, "Intel(R) Core(TM) i7 CPU         975  @ 3.33GHz", 1, 4, 2, {0, 1, 2, 3, 4, 5, 6, 7}, 48, 100},
    {"i5-750", 0x106E5, "Intel(R) Core(TM) i5 CPU         750  @ 2.67GHz", 1, 4, 1, {0, 2, 4, 6}, 48, 99},
    {"i7-980x", 0x206C2, "Intel(R) Core(TM) i7 CPU       X 980  @ 3.33GHz", 1, 6, 2,
     {0, 1, 2, 3, 4, 5, 16, 17, 18, 19, 20, 21}, 48, 100},
    {"xeon-x5570-2s", 0x106A5, "Intel(R) Xeon(R) CPU           X5570  @ 2.93GHz", 2, 4, 2,
     {0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23}, 48, 95},
    {"i7-2600k", 0x206A7, "       Intel(R) Core(TM) i7-2600K CPU @ 3.40GHz", 1, 4, 2, {0, 1, 2, 3, 4, 5, 6, 7}, 48, 98},
};

std::string brandOf(sim::SimulatedProcessor& cpu)
{
    char text[49] = {};
    for (uint32_t n = 0; n < 3; ++n) {
        platform::CpuidRegisters r = cpu.cpuid(0x80000002 + n, 0);
        std::memcpy(text + 16 * n, &r.eax, 4);
        std::memcpy(text + 16 * n + 4, &r.ebx, 4);
        std::memcpy(text + 16 * n + 8, &r.ecx, 4);
        std::memcpy(text + 16 * n + 12, &r.edx, 4);
    }
    return text;
}

class ProfileIdentity : public testing::TestWithParam<Identity> {};

TEST_P(ProfileIdentity, MatchesTheRealProcessor)
{
    using namespace msr::cpuid;
    const Identity& want = GetParam();
    Rig rig(want.profile);
    sim::SimulatedProcessor& cpu = *rig.cpu;
    size_t logical = want.apicIds.size();

    uint64_t processMask = 0, systemMask = 0;
    ASSERT_TRUE(simtest::processMasks(cpu, processMask, systemMask));
    EXPECT_EQ(systemMask, (1u << logical) - 1);
    EXPECT_EQ(logical, size_t(want.packages * want.cores * want.threadsPerCore));

    for (size_t n = 0; n < logical; ++n) {
        rig.pin(int(n));
        platform::CpuidRegisters vendor = cpu.cpuid(LeafVendor, 0);
        char name[13] = {};
        std::memcpy(name, &vendor.ebx, 4);
        std::memcpy(name + 4, &vendor.edx, 4);
        std::memcpy(name + 8, &vendor.ecx, 4);
        EXPECT_STREQ(name, "GenuineIntel");

        platform::CpuidRegisters features = cpu.cpuid(LeafFeatures, 0);
        EXPECT_EQ(signature(features.eax), want.signature);
        EXPECT_EQ(features_ebx::InitialApicId.get(features.ebx), want.apicIds[n]) << "cpu " << n;
        EXPECT_EQ(brandOf(cpu), want.brand);

        platform::CpuidRegisters pmu = cpu.cpuid(LeafPerformanceMonitoring, 0);
        EXPECT_EQ(performance_monitoring_eax::GpCounterWidth.get(pmu.eax), want.counterWidth);

        platform::CpuidRegisters thermal = cpu.cpuid(LeafThermalPower, 0);
        EXPECT_TRUE(thermal_power_eax::DigitalThermalSensor.test(thermal.eax));

        if (want.tjMaxRegister)
            EXPECT_EQ(msr::temperature_target::TjMax.get(rig.read(int(n), msr::MSR_TEMPERATURE_TARGET)),
                      uint64_t(want.tjMaxRegister));
        else
            EXPECT_FALSE(rig.readable(int(n), msr::MSR_TEMPERATURE_TARGET));

        if (cpu.cpuid(LeafVendor, 0).eax >= LeafTopology) {
            // Leaf 0x0B: x2APIC id, threads per core, logical CPUs per package.
            platform::CpuidRegisters smt = cpu.cpuid(LeafTopology, 0);
            platform::CpuidRegisters package = cpu.cpuid(LeafTopology, 1);
            EXPECT_EQ(smt.edx, want.apicIds[n]);
            EXPECT_EQ(topology_ebx::LogicalProcessorsAtLevel.get(smt.ebx), uint64_t(want.threadsPerCore));
            EXPECT_EQ(topology_ebx::LogicalProcessorsAtLevel.get(package.ebx), uint64_t(want.cores * want.threadsPerCore));
        } else {
            // Before leaf 0x0B the counts per package come from leaves 1 and 4.
            EXPECT_EQ(features_ebx::LogicalProcessorCount.get(features.ebx), uint64_t(want.cores * want.threadsPerCore));
            EXPECT_EQ(cache_parameters_eax::CoresPerPackageLessOne.get(cpu.cpuid(LeafCacheParameters, 0).eax) + 1,
                      uint64_t(want.cores));
        }
    }

    // Distinct APIC ids per package: one per logical CPU.
    std::set<uint32_t> distinct(want.apicIds.begin(), want.apicIds.end());
    EXPECT_EQ(distinct.size(), logical);
}

// Reads "basic_cpuid[n]=..." style lines of a dump file into (leaf, subleaf) -> registers.
std::map<std::pair<uint32_t, uint32_t>, platform::CpuidRegisters> dumpFile(const std::string& profile)
{
    std::map<std::pair<uint32_t, uint32_t>, platform::CpuidRegisters> leaves;
    const char* dir = std::getenv("OSTREL_CPUID_DIR");
    std::ifstream in(std::string(dir ? dir : OSTREL_SOURCE_CPUID_DIR) + "/" + profile + ".txt");
    EXPECT_TRUE(in) << "dump of " << profile;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::string kind = line.substr(0, line.find('['));
        uint32_t index = std::stoul(line.substr(line.find('[') + 1));
        std::istringstream values(line.substr(line.find('=') + 1));
        platform::CpuidRegisters r;
        values >> std::hex >> r.eax >> r.ebx >> r.ecx >> r.edx;
        if (kind == "basic_cpuid")
            leaves[{index, 0}] = r;
        else if (kind == "ext_cpuid")
            leaves[{0x80000000 + index, 0}] = r;
        else if (kind == "intel_fn4")
            leaves[{4, index}] = r;
        else if (kind == "intel_fn11")
            leaves[{0xB, index}] = r;
    }
    return leaves;
}

TEST_P(ProfileIdentity, AnswersFromItsDump)
{
    const Identity& want = GetParam();
    Rig rig(want.profile);
    auto dump = dumpFile(want.profile);
    uint32_t maxBasic = dump[{0, 0}].eax;
    uint32_t maxExtended = dump[{0x80000000, 0}].eax;
    uint32_t dumpedApicId = msr::cpuid::features_ebx::InitialApicId.get(dump[{1, 0}].ebx);
    // Answer as the logical CPU that was dumped.
    size_t dumpedCpu = 0;
    while (dumpedCpu < want.apicIds.size() && want.apicIds[dumpedCpu] != dumpedApicId)
        ++dumpedCpu;
    ASSERT_LT(dumpedCpu, want.apicIds.size());
    rig.pin(int(dumpedCpu));

    std::set<std::pair<uint32_t, uint32_t>> patched;
    for (const sim::CpuidPatch& patch : sim::findProfile(want.profile)->patches)
        patched.insert({patch.leaf, patch.subleaf});
    int compared = 0;
    for (const auto& [key, regs] : dump) {
        auto [leaf, subleaf] = key;
        bool inRange = leaf < 0x80000000 ? leaf <= maxBasic : leaf <= maxExtended;
        bool brand = leaf >= 0x80000002 && leaf <= 0x80000004;
        if (!inRange || brand || leaf == 6 || patched.count(key))
            continue;
        platform::CpuidRegisters got = rig.cpu->cpuid(leaf, subleaf);
        EXPECT_EQ(got.eax, regs.eax) << std::hex << "leaf " << leaf << "." << subleaf;
        EXPECT_EQ(got.ebx, regs.ebx) << std::hex << "leaf " << leaf << "." << subleaf;
        EXPECT_EQ(got.ecx, regs.ecx) << std::hex << "leaf " << leaf << "." << subleaf;
        EXPECT_EQ(got.edx, regs.edx) << std::hex << "leaf " << leaf << "." << subleaf;
        ++compared;
    }
    EXPECT_GT(compared, 15);

    // Above the highest basic leaf the processor repeats that leaf.
    platform::CpuidRegisters highest = rig.cpu->cpuid(maxBasic, 0);
    platform::CpuidRegisters beyond = rig.cpu->cpuid(0x40000000, 0);
    EXPECT_EQ(beyond.eax, highest.eax);
    EXPECT_EQ(beyond.edx, highest.edx);
    platform::CpuidRegisters beyondExtended = rig.cpu->cpuid(maxExtended + 1, 0);
    EXPECT_EQ(beyondExtended.eax, highest.eax);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileIdentity, testing::ValuesIn(identities),
                         [](const testing::TestParamInfo<Identity>& info) {
                             std::string name = info.param.profile;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

// Processors whose cores differ, or with more CPUs than a 32-bit mask: their
// topology is checked against the core map in tests/hw/LaterProcessorsTest.
const std::vector<std::string> listedTopologies = {"i9-13900k", "ultra7-155h", "xeon-4514y-2s"};

TEST(ProfileNames, EveryProfileIsListedAndMatchedWithoutCase)
{
    EXPECT_EQ(sim::profiles().size(), identities.size() + listedTopologies.size());
    for (const std::string& name : listedTopologies)
        EXPECT_NE(sim::profileNames().find(name), std::string::npos) << name;
    for (const Identity& identity : identities) {
        std::string upper = identity.profile;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_NE(sim::findProfile(upper), nullptr) << upper;
        EXPECT_NE(sim::profileNames().find(identity.profile), std::string::npos);
    }
    sim::SimulatedCreation unknown = sim::createSimulatedProcessor("i9-9900k");
    EXPECT_FALSE(unknown.processor);
    EXPECT_NE(unknown.error.find("i9-9900k"), std::string::npos);
    EXPECT_NE(unknown.error.find("e8400, q6600"), std::string::npos);
}

TEST(CpuidLimits, MiscEnableBit22LimitsTheHighestLeafToTwo)
{
    Rig rig("i7-920");
    rig.pin(0);
    platform::CpuidRegisters leaf2 = rig.cpu->cpuid(2, 0);
    uint64_t misc = rig.read(0, msr::IA32_MISC_ENABLE);
    ASSERT_TRUE(rig.write(0, msr::IA32_MISC_ENABLE, msr::misc_enable::LimitCpuidMaxValue.set(misc, 1)));
    EXPECT_EQ(rig.cpu->cpuid(0, 0).eax, 2u);
    EXPECT_EQ(rig.cpu->cpuid(0xA, 0).eax, leaf2.eax);
    ASSERT_TRUE(rig.write(0, msr::IA32_MISC_ENABLE, misc));
    EXPECT_EQ(rig.cpu->cpuid(0, 0).eax, 0xBu);
    EXPECT_EQ(msr::cpuid::performance_monitoring_eax::GpCounterWidth.get(rig.cpu->cpuid(0xA, 0).eax), 48u);
}

TEST(CpuidLimits, Core2HasNoTopologyLeaf)
{
    // The q6600 dump carries leaf 0x0B lines, but they are leaf 0x0A data.
    Rig rig("q6600");
    rig.pin(3);
    platform::CpuidRegisters leafB = rig.cpu->cpuid(0xB, 1);
    platform::CpuidRegisters leafA = rig.cpu->cpuid(0xA, 0);
    EXPECT_EQ(leafB.eax, leafA.eax);
    EXPECT_EQ(leafB.edx, leafA.edx);
}

TEST(CpuidLimits, TurboBitFollowsTheTurboDisable)
{
    Rig rig("i5-750");
    rig.pin(0);
    EXPECT_TRUE(msr::cpuid::thermal_power_eax::TurboBoost.test(rig.cpu->cpuid(6, 0).eax));
    uint64_t misc = rig.read(0, msr::IA32_MISC_ENABLE);
    rig.write(0, msr::IA32_MISC_ENABLE, msr::misc_enable::TurboDisengage.set(misc, 1));
    EXPECT_FALSE(msr::cpuid::thermal_power_eax::TurboBoost.test(rig.cpu->cpuid(6, 0).eax));
}

} // namespace
