// Core slots from initial APIC identifiers, Hyper-Threading, the package
// selection by Skull and the closing of a gap in slot 1.
#include "hw/CoreMap.h"
#include "tests/support/CoreMasks.h"
#include "hw/HardwareAccess.h"
#include "tests/hw/FakeProcessor.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Masks = std::array<uint32_t, 8>;

struct SlotCase {
    uint32_t apicId;
    bool hyperThreading;
    int slot;
};

class ApicSlotTest : public testing::TestWithParam<SlotCase> {};

TEST_P(ApicSlotTest, Slot)
{
    const SlotCase& c = GetParam();
    EXPECT_EQ(hw::coreSlotOfApicId(c.apicId, c.hyperThreading), c.slot) << c.apicId;
}

INSTANTIATE_TEST_SUITE_P(Ids, ApicSlotTest,
                         testing::Values(SlotCase{0, false, 0}, SlotCase{3, false, 3}, SlotCase{7, false, 7},
                                         SlotCase{9, false, 1},   // bit 3 is not part of the slot
                                         SlotCase{5, true, 2}, SlotCase{1, true, 0},
                                         SlotCase{16, true, 4}, SlotCase{23, true, 7},
                                         SlotCase{16, false, 8}, // beyond the slots
                                         SlotCase{0x37, true, 7}));

struct MapCase {
    const char* name;
    std::vector<uint32_t> apicIds; // by logical CPU
    uint32_t logicalPerPackage;
    uint32_t coresPerPackage;
    bool hyperThreading;
    Masks mapped;
};

class MapCoresTest : public testing::TestWithParam<MapCase> {};

TEST_P(MapCoresTest, Masks)
{
    const MapCase& c = GetParam();
    fake::FakeProcessor processor =
        fake::FakeProcessor::intel(0x106A5, "", c.apicIds, c.logicalPerPackage, c.coresPerPackage);
    hw::HardwareAccess access(processor);
    hw::ProcessorInfo info;
    info.coreCpu.fill(13); // stale values do not survive
    hw::mapCores(access, info);
    EXPECT_EQ(info.hyperThreading, c.hyperThreading) << c.name;
    EXPECT_EQ(fake::coreMasks(info.coreCpu), c.mapped) << c.name;
    EXPECT_EQ(processor.currentCpu(), 0) << "back on the system mask";
}

INSTANTIATE_TEST_SUITE_P(
    Topologies, MapCoresTest,
    testing::Values(
        MapCase{"dual core", {0, 1}, 2, 2, false, {1, 2, 0, 0, 0, 0, 0, 0}},
        MapCase{"quad core", {0, 1, 2, 3}, 4, 4, false, {1, 2, 4, 8, 0, 0, 0, 0}},
        MapCase{"quad core, HT", {0, 1, 2, 3, 4, 5, 6, 7}, 16, 8, true, {1, 4, 0x10, 0x40, 0, 0, 0, 0}},
        MapCase{"quad core, HT, siblings last", {0, 2, 4, 6, 1, 3, 5, 7}, 16, 8, true, {1, 2, 4, 8, 0, 0, 0, 0}},
        MapCase{"dual core, HT, cores 0 and 2", {0, 1, 4, 5}, 16, 8, true, {1, 0, 4, 0, 0, 0, 0, 0}},
        MapCase{"single core, HT", {0, 1}, 2, 1, true, {1, 0, 0, 0, 0, 0, 0, 0}},
        MapCase{"two packages, HT",
                {0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23}, 16, 8, true,
                {1, 4, 0x10, 0x40, 0x100, 0x400, 0x1000, 0x4000}},
        MapCase{"six cores, HT", {0, 1, 2, 3, 4, 5, 16, 17, 18, 19, 20, 21}, 32, 16, true,
                {1, 4, 0x10, 0, 0x40, 0x100, 0x400, 0}}));

struct SelectCase {
    const char* name;
    Masks mapped;
    int skull;
    Masks fourCore;
    Masks sixCore;
};

class SelectPackageTest : public testing::TestWithParam<SelectCase> {};

TEST_P(SelectPackageTest, Masks)
{
    const SelectCase& c = GetParam();
    hw::ProcessorInfo info;
    info.coreCpu = fake::coreCpus(c.mapped);
    hw::selectPackage(info, c.skull, hw::FourCoreBuild);
    EXPECT_EQ(fake::coreMasks(info.coreCpu), c.fourCore) << c.name;
    info.coreCpu = fake::coreCpus(c.mapped);
    hw::selectPackage(info, c.skull, hw::SixCoreBuild);
    EXPECT_EQ(fake::coreMasks(info.coreCpu), c.sixCore) << c.name;
}

constexpr Masks TwoPackages{1, 4, 0x10, 0x40, 0x100, 0x400, 0x1000, 0x4000};

INSTANTIATE_TEST_SUITE_P(
    Skull, SelectPackageTest,
    testing::Values(
        SelectCase{"two packages, first", TwoPackages, 0, {1, 4, 0x10, 0x40}, TwoPackages},
        SelectCase{"two packages, second", TwoPackages, 2, {0x100, 0x400, 0x1000, 0x4000}, TwoPackages},
        SelectCase{"two packages, mixed", TwoPackages, 3, {1, 4, 0x1000, 0x4000}, TwoPackages},
        SelectCase{"two packages, other value", TwoPackages, 1, {1, 4, 0x10, 0x40}, TwoPackages},
        SelectCase{"gap in slot 1", {1, 0, 4, 0}, 0, {1, 4, 0, 0}, {1, 4, 0, 0}},
        SelectCase{"gap in slot 1 and 2", {1, 0, 0, 8}, 0, {1, 0, 0, 8}, {1, 8, 0, 0}},
        SelectCase{"second package missing", {1, 2, 4, 8}, 2, {}, {1, 2, 4, 8}},
        SelectCase{"six cores", {1, 4, 0x10, 0, 0x40, 0x100, 0x400, 0}, 0, {1, 4, 0x10, 0},
                   {1, 4, 0x10, 0x40, 0x100, 0x400, 0, 0}}));

} // namespace
