// The support test, the CPUID unlock and the brand string read through the
// platform seam, and the message for an unsupported processor.
#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "hw/ProcessorIdentification.h"
#include "tests/hw/FakeProcessor.h"
#include "tests/hw/RecordingMessages.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* E8400Brand = "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz";

struct SupportCase {
    const char* name;
    const char* vendor;
    uint32_t leaf1Eax;
    bool msrFlag;
    bool sse3Flag;
    uint32_t maxLeaf;
    bool thermalSensor;
    hw::Support expected;
};

class SupportTest : public testing::TestWithParam<SupportCase> {};

TEST_P(SupportTest, Decision)
{
    const SupportCase& c = GetParam();
    fake::FakeProcessor processor = fake::FakeProcessor::intel(c.leaf1Eax, E8400Brand);
    processor.setVendor(c.vendor);
    processor.cpuidEntry(0).eax = c.maxLeaf;
    processor.cpuidEntry(1).edx = c.msrFlag ? 1u << 5 : 0;
    processor.cpuidEntry(1).ecx = c.sse3Flag ? 1u : 0;
    processor.cpuidEntry(6).eax = c.thermalSensor ? 1u : 0;
    hw::ProcessorInfo info;
    EXPECT_EQ(hw::testSupport(processor, info), c.expected) << c.name;
}

using hw::Support;
INSTANTIATE_TEST_SUITE_P(
    Cases, SupportTest,
    testing::Values(
        SupportCase{"core2", "GenuineIntel", 0x1067A, true, true, 0xA, false, Support::Supported},
        SupportCase{"other vendor", "AuthenticAMD", 0x1067A, true, true, 0xA, false, Support::Unsupported},
        SupportCase{"other vendor, sensor", "AuthenticAMD", 0x1067A, true, true, 0xA, true, Support::Supported},
        SupportCase{"netburst", "GenuineIntel", 0xF43, true, true, 0x5, false, Support::Unsupported},
        SupportCase{"netburst low", "GenuineIntel", 0xF29, true, true, 0x2, false, Support::Unsupported},
        SupportCase{"netburst 0xF00", "GenuineIntel", 0xF00, true, true, 0x2, false, Support::Unsupported},
        SupportCase{"netburst 0xF70", "GenuineIntel", 0xF70, true, true, 0x2, false, Support::Unsupported},
        SupportCase{"netburst 0xF71", "GenuineIntel", 0xF71, true, true, 0x2, false, Support::Supported},
        SupportCase{"extended family", "GenuineIntel", 0x0FF00F29, true, true, 0x2, false, Support::Unsupported},
        SupportCase{"no msr", "GenuineIntel", 0x1067A, false, true, 0xA, false, Support::Unsupported},
        SupportCase{"no sse3", "GenuineIntel", 0x6E8, true, false, 0xA, false, Support::Unsupported},
        SupportCase{"no sse3, sensor", "GenuineIntel", 0x6E8, true, false, 0xA, true, Support::Supported},
        SupportCase{"sensor above max leaf", "AuthenticAMD", 0x1067A, true, true, 0x5, true, Support::Unsupported}));

TEST(ProcessorIdentificationTest, SupportedProcessorFillsIdentity)
{
    fake::FakeProcessor processor = fake::FakeProcessor::intel(0x000206A7, E8400Brand);
    processor.setMsr(0, msr::IA32_MISC_ENABLE, 0x0000000000450089ull); // bit 22 set
    hw::HardwareAccess access(processor);
    hw::ProcessorInfo info;
    fake::RecordingMessages messages;

    EXPECT_EQ(hw::identifyProcessor(access, info, messages), hw::Support::Supported);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(info.vendor, "GenuineIntel");
    EXPECT_EQ(info.signature, 0x206A7u);
    EXPECT_EQ(info.brandString, E8400Brand);
    EXPECT_EQ(info.modelName, "E8400");
    EXPECT_TRUE(info.nehalemClass);
    EXPECT_TRUE(info.sandyBridgeClass);
    EXPECT_EQ(processor.msr(0, msr::IA32_MISC_ENABLE), 0x0000000000050089ull);
}

TEST(ProcessorIdentificationTest, UnreadableMiscEnableIsNotWritten)
{
    fake::FakeProcessor processor = fake::FakeProcessor::intel(0x1067A, E8400Brand);
    hw::HardwareAccess access(processor);
    hw::unlockCpuid(access);
    EXPECT_TRUE(processor.writes().empty());
}

TEST(ProcessorIdentificationTest, NoBrandLeavesGiveEmptyBrandAndPlaceholderName)
{
    fake::FakeProcessor processor = fake::FakeProcessor::intel(0x1067A, "");
    hw::HardwareAccess access(processor);
    hw::ProcessorInfo info;
    fake::RecordingMessages messages;
    EXPECT_EQ(hw::identifyProcessor(access, info, messages), hw::Support::Supported);
    EXPECT_EQ(info.brandString, "");
    EXPECT_EQ(info.modelName, "-----");
}

TEST(ProcessorIdentificationTest, UnsupportedProcessorShowsErrorMessage)
{
    fake::FakeProcessor processor = fake::FakeProcessor::intel(0x1067A, E8400Brand);
    processor.setVendor("AuthenticAMD");
    processor.cpuidEntry(6).eax = 0;
    hw::HardwareAccess access(processor);
    hw::ProcessorInfo info;
    fake::RecordingMessages messages;

    EXPECT_EQ(hw::identifyProcessor(access, info, messages), hw::Support::Unsupported);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Error");
    EXPECT_EQ(messages.shown[0].text, std::string("The processor detected is not supported.\n\n\n") + E8400Brand + "\n\n");
    EXPECT_EQ(info.vendor, "");
}

TEST(ProcessorIdentificationTest, SignatureTexts)
{
    hw::ProcessorInfo info;
    info.signature = 0x6FB;
    EXPECT_EQ(hw::signatureText(info, hw::FourCoreBuild), "006FB");
    EXPECT_EQ(hw::signatureText(info, hw::SixCoreBuild), "CPUID  0x06FB");
    EXPECT_EQ(hw::shortSignatureText(info), "06FB");
    info.signature = 0x106A5;
    EXPECT_EQ(hw::signatureText(info, hw::FourCoreBuild), "106A5");
}

TEST(ProcessorIdentificationTest, ClassFlagBoundaries)
{
    EXPECT_FALSE(hw::isNehalemClass(0x1069F));
    EXPECT_TRUE(hw::isNehalemClass(0x106A0));
    EXPECT_TRUE(hw::isNehalemClass(0x106AF));
    EXPECT_FALSE(hw::isNehalemClass(0x106C2));
    EXPECT_FALSE(hw::isNehalemClass(0x106DF));
    EXPECT_TRUE(hw::isNehalemClass(0x106E0));
    EXPECT_TRUE(hw::isNehalemClass(0x206C2));
    EXPECT_FALSE(hw::isSandyBridgeClass(0x206C2));
    EXPECT_TRUE(hw::isSandyBridgeClass(0x206A7));
    EXPECT_TRUE(hw::isSandyBridgeClass(0x206D7));
    EXPECT_FALSE(hw::isSandyBridgeClass(0x206E0));
}

} // namespace
