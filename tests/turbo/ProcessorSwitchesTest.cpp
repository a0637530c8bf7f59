#include "FakeTurboProcessor.h"
#include "platform/IniFile.h"
#include "turbo/ProcessorSwitches.h"
#include "turbo/TurboSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace turbo::test {
namespace {

namespace misc = msr::misc_enable;
using Class = ProcessorSwitches::ProcessorClass;

struct SwitchRig {
    explicit SwitchRig(uint32_t system = 0x3, uint64_t miscEnable = 0x00850089)
    {
        cpu.setMasks(system, system);
        cpu.setMsrAll(msr::IA32_MISC_ENABLE, miscEnable);
        cpu.setMsrAll(msr::MSR_POWER_CTL, 0x40);
        access = std::make_unique<hw::HardwareAccess>(cpu);
    }
    FakeTurboProcessor cpu;
    std::unique_ptr<hw::HardwareAccess> access;
};

TEST(ProcessorSwitches, TurboDisableOnEveryCpuWithReadBack)
{
    SwitchRig rig(0x1000F);
    ProcessorSwitches switches(*rig.access, Class::Nehalem);
    EXPECT_EQ(switches.setTurboDisable(SwitchState::On), SwitchState::On);
    for (int n = 0; n < 4; ++n)
        EXPECT_TRUE(misc::TurboDisengage.test(rig.cpu.msrValue(n, msr::IA32_MISC_ENABLE))) << n;
    // Every CPU of the system set, however high its number.
    EXPECT_TRUE(misc::TurboDisengage.test(rig.cpu.msrValue(16, msr::IA32_MISC_ENABLE)));
    EXPECT_EQ(rig.cpu.selectedCpu(), -1) << "left selected";

    // The box shows what the processor holds, not what was asked.
    rig.cpu.lockBits(msr::IA32_MISC_ENABLE, misc::TurboDisengage.mask());
    EXPECT_EQ(switches.setTurboDisable(SwitchState::Off), SwitchState::On);
}

TEST(ProcessorSwitches, SpeedStepLockedWritesNothing)
{
    SwitchRig rig(0x3, misc::SpeedStepLock.set(0x00010089, 1));
    ProcessorSwitches switches(*rig.access, Class::Nehalem);
    EXPECT_TRUE(switches.readMiscEnable().eistLocked);
    ProcessorSwitches::EistResult result = switches.setEist(SwitchState::Off);
    EXPECT_TRUE(result.locked);
    EXPECT_EQ(result.state, SwitchState::On);
    EXPECT_TRUE(rig.cpu.writes().empty());
}

TEST(ProcessorSwitches, SpeedStepUnlockedWritesEveryCpu)
{
    SwitchRig rig(0x3, 0x00010089);
    ProcessorSwitches switches(*rig.access, Class::Nehalem);
    ProcessorSwitches::EistResult result = switches.setEist(SwitchState::Off);
    EXPECT_FALSE(result.locked);
    EXPECT_EQ(result.state, SwitchState::Off);
    for (int n = 0; n < 2; ++n)
        EXPECT_FALSE(misc::EnhancedSpeedStep.test(rig.cpu.msrValue(n, msr::IA32_MISC_ENABLE)));
    EXPECT_EQ(rig.cpu.selectedCpu(), -1) << "left selected";
}

TEST(ProcessorSwitches, CStatesByProcessorClass)
{
    struct Case {
        Class processorClass;
        uint64_t miscEnable, powerCtl;
        SwitchState read;
    };
    const Case cases[] = {
        {Class::Nehalem, 0, 0x2, SwitchState::On},
        {Class::Nehalem, 0x186000000ull, 0x0, SwitchState::Off},
        {Class::Core2, 0x186000000ull, 0, SwitchState::On},
        {Class::Core2, 0x086000000ull, 0, SwitchState::Off}, // bit 32 missing
        {Class::Core2, 0x184000000ull, 0, SwitchState::Off}, // bit 25 missing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.miscEnable);
        SwitchRig rig;
        rig.cpu.setMsrAll(msr::IA32_MISC_ENABLE, c.miscEnable);
        rig.cpu.setMsrAll(msr::MSR_POWER_CTL, c.powerCtl);
        ProcessorSwitches switches(*rig.access, c.processorClass);
        EXPECT_EQ(switches.readCStates(), c.read);
        SwitchState flipped = c.read == SwitchState::On ? SwitchState::Off : SwitchState::On;
        switches.writeCStates(flipped);
        for (int n = 0; n < 2; ++n) {
            rig.access->pin(n);
            EXPECT_EQ(switches.readCStates(), flipped) << n;
        }
    }
    SwitchRig core2;
    core2.cpu.setMsrAll(msr::IA32_MISC_ENABLE, 0x89);
    ProcessorSwitches(*core2.access, Class::Core2).writeCStates(SwitchState::On);
    EXPECT_EQ(core2.cpu.msrValue(1, msr::IA32_MISC_ENABLE), 0x186000089ull);
    ProcessorSwitches(*core2.access, Class::Core2).writeCStates(SwitchState::Off);
    EXPECT_EQ(core2.cpu.msrValue(1, msr::IA32_MISC_ENABLE), 0x89ull);
}

TEST(TurboSettings, ReadClampedAndWrittenKeepingTheRest)
{
    namespace fs = std::filesystem;
    fs::path file = fs::temp_directory_path() / ("turbo_settings_" + std::to_string(::getpid()) + ".ini");
    struct Case {
        const char* content;
        int filter;
        LogFormat format;
    };
    const Case cases[] = {
        {"", 90, LogFormat::Text},
        {"[sparvel]\nloadfilter=150\nExcel=2\n", 99, LogFormat::Csv},
        {"[Sparvel]\nLoadFilter=-3\nExcel=0\n", 0, LogFormat::Text},
        {"[Sparvel]\nLoadFilter=abc\n", 0, LogFormat::Text},
        {"[Other]\nLoadFilter=50\n", 90, LogFormat::Text},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << c.content;
        TurboSettings settings = TurboSettings::load(platform::IniFile(file.string()));
        EXPECT_EQ(settings.loadFilter, c.filter);
        EXPECT_EQ(settings.logFormat, c.format);
    }

    std::ofstream(file, std::ios::binary | std::ios::trunc) << "; mine\n[Sparvel]\nLoadFilter=10\nOther=x\n";
    TurboSettings settings;
    settings.loadFilter = 75;
    settings.logFormat = LogFormat::Csv;
    platform::IniFile ini(file.string());
    ASSERT_TRUE(settings.save(ini));
    std::stringstream text;
    text << std::ifstream(file).rdbuf();
    EXPECT_EQ(text.str(), "; mine\n[Sparvel]\nLoadFilter=75\nOther=x\nExcel=1\n");
    fs::remove(file);
}

} // namespace
} // namespace turbo::test
