// The core map of each build on processors with more cores than the four-
// and six-core builds show: how many cores each build has slots for, the
// columns' headings, and what the narrower builds say about it.

#include "tests/hw/SimulatedIdentify.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

hw::ProcessorInfo identifyFor(const std::string& profile, const hw::BuildFlavour& flavour)
{
    auto processor = fake::simulated(profile);
    hw::HardwareAccess access(*processor);
    hw::ProcessorInfo info;
    fake::RecordingMessages messages;
    EXPECT_EQ(hw::identifyProcessor(access, info, messages), hw::Support::Supported);
    hw::mapCores(access, info, flavour.mappedSlots);
    hw::applyModelRules(info, 0, flavour);
    hw::selectPackage(info, 0, flavour);
    return info;
}

struct EveryCoreCase {
    const char* profile;
    const hw::BuildFlavour* flavour;
    int slotsFilled;
    // Headings of the first and last filled slot.
    const char* firstLabel;
    const char* lastLabel;
    const char* notice;
};

class EveryCore : public ::testing::TestWithParam<EveryCoreCase> {};

TEST_P(EveryCore, SlotsHeadingsAndNotice)
{
    const EveryCoreCase& c = GetParam();
    const hw::ProcessorInfo info = identifyFor(c.profile, *c.flavour);
    int filled = 0;
    for (int slot = 0; slot < hw::MaxCoreSlots; ++slot)
        filled += info.corePresent(slot) ? 1 : 0;
    EXPECT_EQ(filled, c.slotsFilled);
    EXPECT_EQ(hw::coreLabel(info, 0), c.firstLabel);
    EXPECT_EQ(hw::coreLabel(info, c.slotsFilled - 1), c.lastLabel);
    EXPECT_EQ(hw::moreCoresNotice(info, *c.flavour), c.notice);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, EveryCore,
    ::testing::Values(
        EveryCoreCase{"i7-2600k", &hw::FourCoreBuild, 4, "0", "3", ""},
        // Core numbers 0, 1, 2, 8, 9, 10: the four-core build shows the first three.
        EveryCoreCase{"i7-980x", &hw::FourCoreBuild, 3, "0", "2",
                      "this processor has 6 cores; Ostrel shows 3. Start OstrelHX to see every core."},
        EveryCoreCase{"xeon-x5570-2s", &hw::SixCoreBuild, 8, "0", "7",
                      "this processor has 8 cores; OstrelHX shows 6. Start OstrelXL to see every core."},
        EveryCoreCase{"i9-13900k", &hw::SixCoreBuild, 8, "P0", "P7",
                      "this processor has 24 cores; OstrelHX shows 6. Start OstrelXL to see every core."},
        EveryCoreCase{"i9-13900k", &hw::ManyCoreBuild, 24, "P0", "E23", ""},
        EveryCoreCase{"ultra7-155h", &hw::ManyCoreBuild, 16, "P0", "E15", ""},
        EveryCoreCase{"xeon-4514y-2s", &hw::ManyCoreBuild, 32, "0", "31", ""},
        EveryCoreCase{"xeon-4514y-2s", &hw::FourCoreBuild, 4, "0", "3",
                      "this processor has 32 cores; Ostrel shows 4. Start OstrelXL to see every core."}),
    [](const ::testing::TestParamInfo<EveryCoreCase>& info) {
        std::string name = std::string(info.param.profile) + "_" + info.param.flavour->programName;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

} // namespace
