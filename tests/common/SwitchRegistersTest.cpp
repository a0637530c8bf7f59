// The switches' read-modify-write over raw register values on a processor
// made of tables: which bits change, and which CPUs are left alone and why.

#include "common/SwitchRegisters.h"
#include "registers/MsrIndex.h"
#include "tests/hw/FakeProcessor.h"

#include <gtest/gtest.h>

namespace {

using common::SwitchBits;
using common::SwitchWrite;
using hw::SwitchState;
namespace misc = msr::misc_enable;

// Refuses every write on one CPU, as a register that takes reads only would.
class WriteRefusingProcessor : public fake::FakeProcessor {
public:
    WriteRefusingProcessor(fake::FakeProcessor base, int refusingCpu)
        : fake::FakeProcessor(std::move(base)), m_refusingCpu(refusingCpu)
    {
    }
    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override
    {
        return accessCpu() != m_refusingCpu && fake::FakeProcessor::writeMsr(index, low, high);
    }

private:
    int m_refusingCpu;
};

constexpr msr::Field Core2CStateBits[] = {misc::Core2CStateBit25, misc::Core2CStateBit26, misc::Core2CStateBit31,
                                          misc::Core2CStateBit32};

TEST(SwitchRegisters, OnlyTheSwitchFieldsChange)
{
    const SwitchBits turbo(msr::IA32_MISC_ENABLE, misc::TurboDisengage);
    const SwitchBits core2CStates(msr::IA32_MISC_ENABLE, Core2CStateBits);
    const SwitchBits c1e(msr::MSR_POWER_CTL, msr::power_ctl::C1eEnable);
    struct Case {
        const char* name;
        SwitchBits bits;
        uint64_t before;
        SwitchState state;
        uint64_t after;
    };
    const Case cases[] = {
        {"turbo disable on", turbo, 0x00850089, SwitchState::On, 0x4000850089},
        {"turbo disable off", turbo, 0x4000850089, SwitchState::Off, 0x00850089},
        {"already on: written unchanged", turbo, 0x4000850089, SwitchState::On, 0x4000850089},
        {"four C-state bits on together", core2CStates, 0x89, SwitchState::On, 0x186000089},
        {"four C-state bits off, every other bit kept", core2CStates, ~0ull, SwitchState::Off, ~0x186000000ull},
        {"C1E off in another register", c1e, 0x40005F, SwitchState::Off, 0x40005D},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake::FakeProcessor cpu = fake::FakeProcessor::intel(0x106A5, "");
        cpu.setMsr(0, c.bits.index(), c.before);
        hw::HardwareAccess access(cpu);
        EXPECT_EQ(common::switchOnThisCpu(access, c.bits, c.state), SwitchWrite::Written);
        EXPECT_EQ(cpu.msr(0, c.bits.index()), c.after);
        ASSERT_EQ(cpu.writes().size(), 1u);
    }
}

TEST(SwitchRegisters, EachListedCpuReportsWhatHappenedAndOnlyWrittenOnesChange)
{
    // CPU 0 takes the write, 1 has the lock set, 2 lacks the register, 3
    // refuses the write; 4 is left out of the set and 5 refuses the pinning
    // (there is no CPU 5).
    WriteRefusingProcessor cpu(fake::FakeProcessor::intel(0x106A5, "", {0, 1, 2, 3, 4}), 3);
    const uint64_t unlocked = 0x00850089;
    const uint64_t locked = misc::SpeedStepLock.set(unlocked, 1);
    for (int n : {0, 3, 4})
        cpu.setMsr(n, msr::IA32_MISC_ENABLE, unlocked);
    cpu.setMsr(1, msr::IA32_MISC_ENABLE, locked);
    hw::HardwareAccess access(cpu);
    const SwitchBits eist = SwitchBits(msr::IA32_MISC_ENABLE, misc::EnhancedSpeedStep).lockedBy(misc::SpeedStepLock);

    const common::SwitchOutcome outcome =
        common::switchOnEachCpu(access, platform::CpuSet::fromMask(0b101111), eist, SwitchState::On);
    EXPECT_EQ(outcome.cpus(SwitchWrite::Written).lowMask(), 0b0001u);
    EXPECT_EQ(outcome.cpus(SwitchWrite::Locked).lowMask(), 0b0010u);
    EXPECT_EQ(outcome.cpus(SwitchWrite::Unreadable).lowMask(), 0b0100u);
    EXPECT_EQ(outcome.cpus(SwitchWrite::WriteFailed).lowMask(), 0b1000u);
    EXPECT_EQ(cpu.msr(0, msr::IA32_MISC_ENABLE), misc::EnhancedSpeedStep.set(unlocked, 1));
    EXPECT_EQ(cpu.msr(1, msr::IA32_MISC_ENABLE), locked);
    EXPECT_EQ(cpu.msr(3, msr::IA32_MISC_ENABLE), unlocked);
    EXPECT_EQ(cpu.msr(4, msr::IA32_MISC_ENABLE), unlocked);
    ASSERT_EQ(cpu.writes().size(), 1u);
    EXPECT_EQ(cpu.writes()[0].cpu, 0);
    // The last CPU that took the pinning stays selected, for a read-back.
    EXPECT_EQ(cpu.accessCpu(), 3);
}

} // namespace
