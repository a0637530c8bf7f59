// The files the program writes, byte for byte: a run that starts from a
// settings file (or none), saves the settings window, closes, saves a font and
// the turbo limits. The expected files were recorded from the program and
// pin the key order and the text formats of every writer in both builds.
#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "monitor/settings/SettingsStore.h"
#include "monitor/settings/TurboLimitsStore.h"
#include "SettingsTestSupport.h"
#include "tests/hw/FakeProcessor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace monitor::test {
namespace {

fs::path testData(const std::string& name)
{
    const char* root = std::getenv("OSTREL_TEST_DATA");
    return fs::path(root != nullptr ? root : "tests/data") / "monitor" / "settings" / name;
}

struct StoredFileCase {
    const char* name;
    const char* input; // nullptr: no settings file yet
    const SettingsLayout* layout;
    int cores;
    bool nehalemClass;
    bool gpus; // NVIDIA and ATI sensors work
    const char* expected;
};

class StoredFilesTest : public ScratchFolder {};

TEST_F(StoredFilesTest, EveryWriterProducesTheRecordedFile)
{
    const StoredFileCase cases[] = {
        {"four-core defaults", nullptr, &FourCoreSettings, 4, false, false, "stored_fourcore_defaults.ini"},
        {"six-core defaults", nullptr, &SixCoreSettings, 6, true, false, "stored_sixcore_defaults.ini"},
        {"four-core rich", "rich_input.ini", &FourCoreSettings, 4, true, true, "stored_fourcore_rich.ini"},
        {"six-core rich", "rich_input.ini", &SixCoreSettings, 6, false, true, "stored_sixcore_rich.ini"},
    };
    for (const StoredFileCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_ini);
        if (c.input != nullptr)
            writeFile(m_ini, readFile(testData(c.input)));

        ProcessorFacts processor = core2Processor(c.cores);
        processor.nehalemClass = c.nehalemClass;
        processor.sandyBridgeClass = c.nehalemClass;
        MonitorSettings settings;
        settings.nvidiaPresent = c.gpus;
        settings.atiPresent = c.gpus;
        LoadFonts(settings, m_ini, *c.layout);
        LoadAll(settings, m_ini, processor, *c.layout);

        fake::FakeProcessor cpu = registerProcessor(
            8, {msr::IA32_CLOCK_MODULATION, msr::MSR_PLATFORM_INFO, msr::MSR_TURBO_RATIO_LIMIT,
                msr::MSR_TURBO_POWER_CURRENT_LIMIT});
        cpu.setMsrOnAll(msr::IA32_CLOCK_MODULATION, 0x1A);
        cpu.setMsrOnAll(msr::MSR_PLATFORM_INFO, (1ull << 28) | (1ull << 29));
        cpu.setMsrOnAll(msr::MSR_TURBO_RATIO_LIMIT, 0x00001A1A1A1A1B1Cull);
        cpu.setMsrOnAll(msr::MSR_TURBO_POWER_CURRENT_LIMIT, 0x00000123828082F8ull);
        hw::HardwareAccess hardware(cpu);

        ExitState exit;
        exit.windowTopLeft = ScreenPoint{-50, 100};
        exit.composition = Composition::On;
        exit.anchorRect = {-1520, -300, 0, 0};
        ASSERT_EQ(SaveAll(settings, m_ini, processor, *c.layout), WriteResult::Written);
        ASSERT_EQ(SaveOnExit(settings, m_ini, exit, hardware, *c.layout), WriteResult::Written);
        ASSERT_EQ(SaveFont(settings, m_ini), WriteResult::Written);
        ASSERT_EQ(SaveTurboLimits(settings, m_ini, hardware, *c.layout), WriteResult::Written);

        const std::string expected = readFile(testData(c.expected));
        ASSERT_FALSE(expected.empty()) << "fixture missing";
        EXPECT_EQ(readFile(m_ini), expected);
    }
}

} // namespace
} // namespace monitor::test
