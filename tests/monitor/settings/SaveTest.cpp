// Writing the settings file: the settings window's keys, the keys saved at
// shutdown, the font keys and the plug-in's copy of the calibration.
#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "monitor/settings/IconSelection.h"
#include "monitor/settings/PluginConfig.h"
#include "monitor/settings/SettingsRules.h"
#include "monitor/settings/SettingsStore.h"
#include "monitor/settings/TurboLimitsStore.h"
#include "platform/IniFile.h"
#include "SettingsTestSupport.h"
#include "tests/hw/FakeProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace monitor::test {
namespace {

fs::path testData(const std::string& name)
{
    const char* root = std::getenv("OSTREL_TEST_DATA");
    return fs::path(root != nullptr ? root : "tests/data") / "monitor" / "settings" / name;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// Whether `part` appears in `whole` in the same order, other lines between.
bool isSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole)
{
    auto at = whole.begin();
    for (const std::string& line : part) {
        at = std::find(at, whole.end(), line);
        if (at == whole.end())
            return false;
        ++at;
    }
    return true;
}

// The modes of the icons (minimum, distance), which no icon choice touches.
constexpr int NotificationIconModes = 0x1200;

std::set<std::string> keysOf(const std::string& text)
{
    std::set<std::string> keys;
    for (const KeyLine& line : keyLines(text))
        keys.insert(line.key);
    return keys;
}

// The record behind the stored fixture: a four-core processor, NVIDIA sensor.
MonitorSettings fixtureSettings()
{
    MonitorSettings s;
    s.nvidiaPresent = true;
    s.gpuPresent = true;
    const int idle[] = {0, -15, 25, -4};
    const int tjMax[] = {95, 100, 105, 95};
    const Colour colour[] = {0xFFFFFF, 0x00FF00, 0x0000FF, 0xFF0000, 0x00FFFF};
    for (int core = 0; core < 4; ++core) {
        s.Idle[core] = idle[core];
        s.TjMax[core] = tjMax[core];
    }
    for (int icon = 0; icon < 5; ++icon)
        s.IconTextColor[icon] = colour[icon];
    s.IconShow = 31;
    s.TaskBar = 1;
    s.OnTop = 1;
    s.TrayInfo = 1;
    s.LogFile = 1;
    s.LogInterval = 10;
    s.Alarm = 1;
    s.Alarm1 = 90;
    s.Alarm2 = 95;
    s.CSV = 1;
    s.AlarmFile = "/usr/local/bin/too-hot";
    s.MinimizeOnClose = true;
    s.IconMax = true;
    s.ClockMod = 24;
    s.GUIMiniColor = 0x202020;
    s.GUIMiniText = 0xE0E0E0;
    s.GUINormHead = 0x0000C0;
    s.NormHeading = 1;
    s.TMLoad = true;
    s.CustomGUIMini = 1;
    s.Quality = 2;
    s.ThreeDigit = true;
    return s;
}

class SaveTest : public ScratchFolder {
protected:
    fake::FakeProcessor m_cpu = registerProcessor(
        4, {msr::IA32_CLOCK_MODULATION, msr::MSR_PLATFORM_INFO, msr::MSR_TURBO_RATIO_LIMIT});
    hw::HardwareAccess m_hardware{m_cpu};
};

TEST_F(SaveTest, SaveAllWritesTheStoredFixtureKeyByKeyInOrder)
{
    const MonitorSettings settings = fixtureSettings();
    EXPECT_EQ(SaveAll(settings, m_ini, core2Processor(4)), WriteResult::Written);

    const std::string expected = readFile(testData("saveall_fourcore_nvidia.ini"));
    ASSERT_FALSE(expected.empty()) << "fixture missing";
    const std::vector<KeyLine> want = keyLines(expected);
    const std::vector<KeyLine> got = keyLines(readFile(m_ini));
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(got[i], want[i]) << "key " << i;
}

TEST_F(SaveTest, HandEditedFileKeepsEverythingThroughSaveAllAndSaveOnExit)
{
    const std::string original = readFile(testData("hand_edited.ini"));
    ASSERT_FALSE(original.empty()) << "fixture missing";
    writeFile(m_ini, original);
    m_cpu.setMsr(0, msr::IA32_CLOCK_MODULATION, 0x18);

    ProcessorFacts processor = core2Processor(0);
    processor.coreCpu[0] = 0;
    processor.coreCpu[2] = 2; // core slots 1 and 3 are empty
    MonitorSettings settings;
    LoadFonts(settings, m_ini);
    LoadAll(settings, m_ini, processor);
    EXPECT_EQ(settings.Idle[0], 15);
    EXPECT_EQ(settings.TjMax[0], 90);
    EXPECT_EQ(settings.unitText, "deg");

    settings.Fahrenheit = true;
    settings.Idle[0] = 20;
    ASSERT_EQ(SaveAll(settings, m_ini, processor), WriteResult::Written);
    ASSERT_EQ(SaveOnExit(settings, m_ini, ExitState{}, m_hardware), WriteResult::Written);
    const std::string saved = readFile(m_ini);

    // Every line of the hand-made file is still there, in its order and
    // spelling, with only the two changed values replaced in place.
    std::vector<std::string> kept = linesOf(original);
    std::replace(kept.begin(), kept.end(), std::string("fahrenheit=0\r"), std::string("fahrenheit=1\r"));
    std::replace(kept.begin(), kept.end(), std::string("idle0 = 1.5\r"), std::string("idle0 = 2.0\r"));
    const std::vector<std::string> now = linesOf(saved);
    EXPECT_TRUE(isSubsequence(kept, now)) << saved;

    // Every line ends in CR LF, as the file did.
    for (const std::string& line : now)
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << "[" << line << "]";

    // Keys of another spelling were updated, not added twice; new keys went
    // into the existing section.
    int fahrenheitLines = 0;
    for (const KeyLine& line : keyLines(saved)) {
        EXPECT_NE(line.section, "Ostrel") << "second section added";
        if (line.section == "ostrel") {
            std::string key = line.key;
            std::transform(key.begin(), key.end(), key.begin(), ::tolower);
            fahrenheitLines += key == "fahrenheit" ? 1 : 0;
        }
    }
    EXPECT_EQ(fahrenheitLines, 1);

    // Absent cores: nothing written, what was there untouched.
    const std::set<std::string> keys = keysOf(saved);
    for (const char* absent : {"TjMax1", "IconTextColor1", "Idle3", "TjMax3", "IconTextColor3"})
        EXPECT_EQ(keys.count(absent), 0u) << absent;
    EXPECT_NE(saved.find("Idle1=2.0\r\n"), std::string::npos);
    EXPECT_NE(saved.find("TjMax2=95\r\n"), std::string::npos);
    EXPECT_NE(saved.find("ClockMod=24\r\n"), std::string::npos); // register, not the setting

    // Read back: the changed values, everything else as before.
    MonitorSettings again;
    LoadAll(again, m_ini, processor);
    EXPECT_TRUE(again.Fahrenheit);
    EXPECT_EQ(again.Idle[0], 20);
    EXPECT_EQ(again.Idle[1], 20);
    EXPECT_EQ(again.RefreshInterval, 500);
    EXPECT_EQ(again.HDWrite, 30);
}

TEST_F(SaveTest, WhatIsSavedReadsBackTheSame)
{
    MonitorSettings settings = fixtureSettings();
    settings.Fahrenheit = true;
    settings.Alarm1 = 200;
    settings.Alarm2 = 215;
    settings.MiniMode = true;
    settings.InfoWindowIndex = 1;
    // Outer blanks are part of a name and survive the file.
    settings.LogFileName = "  spaced ";
    settings.AlarmFile = " /opt/alarm with blanks/too-hot\t";
    settings.RivaFile = "/opt/riva/Riva.exe";
    settings.lfHeight = -20;
    settings.lfWeight = 700;
    settings.lfItalic = 1;
    settings.lfCharSet = 204;
    settings.lfPitchAndFamily = 49;
    settings.lfFaceName = "T ";
    for (int core = 0; core < 4; ++core)
        settings.Idle[core] = std::array{-199, 99, -1, 1}[core];
    const ProcessorFacts processor = core2Processor(4);
    m_cpu.setMsr(0, msr::IA32_CLOCK_MODULATION, 24);

    ExitState exit;
    exit.windowTopLeft = ScreenPoint{-1500, 40};
    exit.anchorRect = {-300, -20, -300, -20};
    ASSERT_EQ(SaveAll(settings, m_ini, processor), WriteResult::Written);
    ASSERT_EQ(SaveOnExit(settings, m_ini, exit, m_hardware), WriteResult::Written);
    ASSERT_EQ(SaveFont(settings, m_ini), WriteResult::Written);

    MonitorSettings back;
    LoadFonts(back, m_ini);
    LoadStartupKeys(back, m_ini);
    back.nvidiaPresent = (back.GPU & 1) != 0;
    LoadAll(back, m_ini, processor);

    MonitorSettings expected = settings;
    for (int slot = 4; slot < hw::MaxCoreSlots; ++slot)
        expected.TjMax[slot] = processor.tjMax[slot]; // no keys beyond core slot 3
    expected.WindowXY = packPosition({-1500, 40});
    expected.AnchorXY = packPosition({-300, -20});
    expected.GPU = 1;
    expected.CPUID = processor.signature;
    expected.Spec = processor.brandString;
    expected.unitText = "\xC2\xB0" "F";
    expected.iconFont = iconFontFrom(expected);
    expected.mainFont = mainFontFor(WindowsMajorVersion);
    refreshBrushes(expected);
    EXPECT_EQ(back, expected);
}

TEST_F(SaveTest, SaveOnExitStoresPositionsAsTheWindowLeftThem)
{
    struct Case {
        const char* name;
        std::optional<ScreenPoint> window;
        Composition composition;
        bool mini;
        std::array<int, 4> anchor;
        std::optional<int> windowXY;
        std::optional<int> anchorXY;
    } cases[] = {
        {"no rectangle, no anchor", std::nullopt, Composition::Off, false, {0, 0, 0, 0},
         std::nullopt, std::nullopt},
        {"plain", ScreenPoint{100, 50}, Composition::Off, false, {0, 0, 0, 0}, 540156004,
         std::nullopt},
        {"composition, normal form", ScreenPoint{100, 50}, Composition::On, false, {0, 0, 0, 0},
         packPosition({95, 45}), std::nullopt},
        {"composition, mini form", ScreenPoint{100, 50}, Composition::On, true, {0, 0, 0, 0},
         540156004, std::nullopt},
        {"left monitor", ScreenPoint{-1915, -5}, Composition::Off, false, {-1920, 0, -1920, 0},
         packPosition({-1915, -5}), packPosition({-1920, 0})},
        {"anchor at the origin with extent", std::nullopt, Composition::Off, false, {0, 0, 5, 0},
         std::nullopt, packPosition({0, 0})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_ini);
        MonitorSettings settings;
        settings.MiniMode = c.mini;
        const ExitState exit{c.window, c.composition, c.anchor};
        ASSERT_EQ(SaveOnExit(settings, m_ini, exit, m_hardware), WriteResult::Written);
        const std::string saved = readFile(m_ini);
        for (const auto& [key, value] : {std::pair{"WindowXY", c.windowXY}, std::pair{"AnchorXY", c.anchorXY}}) {
            const std::string line = std::string(key) + "=";
            if (value)
                EXPECT_NE(saved.find(line + std::to_string(*value) + "\n"), std::string::npos) << saved;
            else
                EXPECT_EQ(saved.find(line), std::string::npos) << saved;
        }
    }
}

TEST_F(SaveTest, SaveOnExitOrderAndClockModulationOfTheFirstProcessor)
{
    m_cpu.setMsrOnAll(msr::IA32_CLOCK_MODULATION, 0x12);
    m_cpu.setMsr(0, msr::IA32_CLOCK_MODULATION, 0xFFFFFFFF00000018ull);
    m_hardware.pin(2); // start somewhere else: the register of CPU 0 counts
    MonitorSettings settings;
    settings.ClockMod = 2;
    settings.IconShow = 5;
    settings.InfoWindowIndex = 2;
    settings.LogFileName = "temps";
    ExitState exit;
    exit.windowTopLeft = ScreenPoint{10, 20};
    exit.anchorRect = {1, 2, 3, 4};
    ASSERT_EQ(SaveOnExit(settings, m_ini, exit, m_hardware), WriteResult::Written);
    EXPECT_EQ(m_cpu.selectedCpu(), -1) << "left selected";

    const std::vector<KeyLine> want = {
        {"Ostrel", "WindowXY", std::to_string(packPosition({10, 20}))},
        {"Ostrel", "AnchorXY", std::to_string(packPosition({1, 2}))},
        {"Ostrel", "MiniMode", "0"},
        {"Ostrel", "IconShow", "5"},
        {"Ostrel", "ClockMod", "24"},
        {"Ostrel", "InfoWindowIndex", "2"},
        {"Ostrel", "LogFileName", "temps"},
    };
    EXPECT_EQ(keyLines(readFile(m_ini)), want);

    // The six-core build has neither an information view index nor a log name.
    fs::remove(m_ini);
    ASSERT_EQ(SaveOnExit(settings, m_ini, exit, m_hardware, SixCoreSettings), WriteResult::Written);
    const std::set<std::string> keys = keysOf(readFile(m_ini));
    EXPECT_EQ(keys.count("InfoWindowIndex"), 0u);
    EXPECT_EQ(keys.count("LogFileName"), 0u);
    EXPECT_EQ(keys.count("ClockMod"), 1u);
}

TEST_F(SaveTest, SaveFontWritesTheSevenFontKeys)
{
    MonitorSettings settings;
    FontDescription chosen;
    chosen.lfHeight = -11;
    chosen.lfWidth = 6;
    chosen.lfWeight = 700;
    chosen.lfItalic = 1;
    chosen.lfUnderline = 1; // not a font key
    chosen.lfCharSet = 238;
    chosen.lfPitchAndFamily = 18;
    chosen.lfFaceName = "Liberation Sans";
    settings.Quality = 1;
    adoptChosenFont(settings, chosen);
    EXPECT_TRUE(settings.iconsDirty);
    EXPECT_EQ(settings.iconFont.lfQuality, 4);
    EXPECT_EQ(settings.iconFont.lfUnderline, 0);
    ASSERT_EQ(SaveFont(settings, m_ini), WriteResult::Written);

    const std::vector<KeyLine> want = {
        {"Ostrel", "lfHeight", "-11"},       {"Ostrel", "lfWidth", "6"},
        {"Ostrel", "lfWeight", "700"},       {"Ostrel", "lfItalic", "1"},
        {"Ostrel", "lfCharSet", "238"},      {"Ostrel", "lfPitchAndFamily", "18"},
        {"Ostrel", "lfFaceName", "Liberation Sans"},
    };
    EXPECT_EQ(keyLines(readFile(m_ini)), want);
}

TEST_F(SaveTest, CalibrationIsMirroredIntoThePluginConfiguration)
{
    const fs::path riva = m_folder / "RivaTuner";
    fs::create_directories(riva / "PlugIns" / "Monitoring");
    const fs::path config = riva / "PlugIns" / "Monitoring" / "OLCore.cfg";
    ProcessorFacts processor = core2Processor(2);
    MonitorSettings settings;
    settings.Idle = {25, -3};
    settings.TjMax = {100, 85};

    // Another file name, or the right one in other case: nothing is mirrored.
    for (const char* name : {"rivatuner.exe", "RivaTuner.exe.bak", "Riva.exe"}) {
        settings.RivaFile = (riva / name).string();
        ASSERT_EQ(SaveAll(settings, m_ini, processor), WriteResult::Written);
        EXPECT_FALSE(fs::exists(config)) << name;
    }

    settings.RivaFile = (riva / "RivaTuner.exe").string();
    ASSERT_EQ(SaveAll(settings, m_ini, processor), WriteResult::Written);
    const std::vector<KeyLine> want = {
        {"Ostrel", "Idle0", "2.5"}, {"Ostrel", "TjMax0", "100"},
        {"Ostrel", "Idle1", "-0.3"}, {"Ostrel", "TjMax1", "85"},
    };
    EXPECT_EQ(keyLines(readFile(config)), want);

    // RivaTuner moved away: its folder is not created, the settings still save.
    fs::remove_all(riva);
    ASSERT_EQ(SaveAll(settings, m_ini, processor), WriteResult::Written);
    EXPECT_FALSE(fs::exists(riva));
}

TEST(PluginConfig, PathAndInstallerOrder)
{
    EXPECT_EQ(pluginConfigPath("/opt/RivaTuner/RivaTuner.exe"),
              std::optional<std::string>("/opt/RivaTuner/PlugIns/Monitoring/OLCore.cfg"));
    EXPECT_EQ(pluginConfigPath("/opt/RivaTuner/rivatuner.exe"), std::nullopt);
    EXPECT_EQ(pluginConfigPath("RivaTuner.ex"), std::nullopt);
    EXPECT_EQ(pluginConfigPath(""), std::nullopt);
}

TEST_F(SaveTest, PluginInstallerWritesEveryTjMaxFirst)
{
    const std::string config = (m_folder / "OLCore.cfg").string();
    ProcessorFacts processor = core2Processor(0);
    processor.coreCpu[0] = 0;
    processor.coreCpu[1] = 1;
    MonitorSettings settings;
    settings.Idle = {25, 0, 7};
    settings.TjMax = {100, 100, 90};
    ASSERT_EQ(writePluginCalibration(config, settings, processor, FourCoreSettings,
                                     CalibrationOrder::TjMaxFirst),
              WriteResult::Written);
    const std::vector<KeyLine> want = {
        {"Ostrel", "TjMax0", "100"}, {"Ostrel", "TjMax1", "100"},
        {"Ostrel", "Idle0", "2.5"},  {"Ostrel", "Idle1", "0.0"},
    };
    EXPECT_EQ(keyLines(readFile(config)), want);
}

TEST_F(SaveTest, SixCoreBuildWritesEveryPresentSlot)
{
    ProcessorFacts processor = core2Processor(6);
    MonitorSettings settings;
    settings.nvidiaPresent = true;
    settings.Idle[5] = 12;
    settings.IconTextColor[8] = 0x0000FF;
    ASSERT_EQ(SaveAll(settings, m_ini, processor, SixCoreSettings), WriteResult::Written);
    const std::string saved = readFile(m_ini);
    const std::set<std::string> keys = keysOf(saved);
    EXPECT_EQ(keys.count("Idle5"), 1u);
    EXPECT_EQ(keys.count("TjMax5"), 1u);
    EXPECT_EQ(keys.count("Idle6"), 0u);
    EXPECT_EQ(keys.count("IconTextColor4"), 1u); // core slot 4 here
    EXPECT_NE(saved.find("IconTextColor8=0x0000FF\n"), std::string::npos);
    EXPECT_EQ(keys.count("FontNumber"), 1u);
    EXPECT_EQ(keys.count("VIDInfo"), 1u);
}

TEST_F(SaveTest, ManyCoreBuildReadsAndWritesTheKeysOfEveryCore)
{
    ProcessorFacts processor = core2Processor(32);
    processor.tjMax = hw::everySlot(95);
    writeFile(m_ini, "[Ostrel]\nTjMax31=110\nIdle31=-1.5\nIdle30=2.0\nIconCores=0x80000004\nIconShow=1536\n");
    MonitorSettings settings;
    LoadAll(settings, m_ini, processor, ManyCoreSettings);
    EXPECT_EQ(settings.TjMax[31], 110);
    EXPECT_EQ(settings.TjMax[30], 95);
    EXPECT_EQ(settings.Idle[31], -15);
    EXPECT_EQ(settings.Idle[30], 20);
    EXPECT_EQ(settings.IconCores, 0x80000004u);

    settings.Idle[31] = 7;
    ASSERT_EQ(SaveAll(settings, m_ini, processor, ManyCoreSettings), WriteResult::Written);
    const std::string saved = readFile(m_ini);
    for (const char* line : {"TjMax31=110\n", "Idle31=0.7\n", "Idle30=2.0\n", "TjMax0=95\n",
                             "IconTextColor31=0xFFFFFF\n", "IconCores=0x80000004\n", "IconShow=1536\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line;
    EXPECT_EQ(keysOf(saved).count("Idle32"), 0u);
}

// Where each build keeps whether an icon is shown: bits of IconShow, or in
// the many-core build IconCores for the cores and IconShow's bit 8 for the GPU.
TEST(IconSelection, EachBuildKeepsItsIconsInItsKeys)
{
    struct Case {
        const SettingsLayout* layout;
        int icon;
        int iconShow;
        uint64_t iconCores;
    };
    const Case cases[] = {
        {&FourCoreSettings, 3, 1 << 3, 0},         {&FourCoreSettings, 4, 1 << 4, 0},
        {&SixCoreSettings, 5, 1 << 5, 0},          {&SixCoreSettings, 8, 1 << 8, 0},
        {&ManyCoreSettings, 0, 0, 1},              {&ManyCoreSettings, 63, 0, uint64_t{1} << 63},
        {&ManyCoreSettings, 64, 1 << 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("icon " + std::to_string(c.icon) + " of " + std::to_string(c.layout->coreKeys) + " core keys");
        MonitorSettings s;
        s.IconShow = NotificationIconModes;
        s.IconCores = 0;
        chooseIcon(s, *c.layout, c.icon, true);
        EXPECT_EQ(s.IconShow, NotificationIconModes | c.iconShow);
        EXPECT_EQ(s.IconCores, c.iconCores);
        EXPECT_TRUE(iconChosen(s, *c.layout, c.icon));
        EXPECT_TRUE(anyIconChosen(s, *c.layout));
        chooseIcon(s, *c.layout, c.icon, false);
        EXPECT_FALSE(anyIconChosen(s, *c.layout));
    }
}

// A file just under the limit a load accepts: the save that would push it
// over is refused, so the file still loads afterwards.
TEST_F(SaveTest, SaveThatWouldOutgrowTheLoadLimitKeepsTheOldFile)
{
    const std::string header = "[Ostrel]\nLogInterval=10\n;";
    const std::string full = header + std::string(platform::IniFile::kMaxSize - header.size() - 1, 'x') + "\n";
    ASSERT_EQ(full.size(), 1048576u);
    writeFile(m_ini, full);
    const ProcessorFacts processor = core2Processor(4);
    MonitorSettings loaded;
    LoadAll(loaded, m_ini, processor);
    ASSERT_EQ(loaded.LogInterval, 10);

    EXPECT_EQ(SaveAll(fixtureSettings(), m_ini, processor), WriteResult::Failed);
    EXPECT_TRUE(readFile(m_ini) == full) << "the old file was replaced";
    MonitorSettings again;
    LoadAll(again, m_ini, processor);
    EXPECT_EQ(again.LogInterval, 10);
}

// Folders and files that cannot be written, even by root.
struct Unwritable {
    const char* name;
    std::string path;
};

TEST_F(SaveTest, UnwritableFileOrFolderChangesNothing)
{
    const fs::path directoryAsFile = m_folder / "Ostrel.ini";
    fs::create_directory(directoryAsFile);
    const Unwritable places[] = {
        {"missing folder", (m_folder / "gone" / "Ostrel.ini").string()},
        {"folder refusing new files", "/proc/ostrel-settings-test.ini"},
        {"file that is a folder", directoryAsFile.string()},
        {"file that cannot be replaced", "/proc/version"},
    };
    m_cpu.setMsrOnAll(msr::MSR_PLATFORM_INFO, msr::platform_info::ProgrammableRatioLimit.set(0, 1));
    for (const Unwritable& place : places) {
        SCOPED_TRACE(place.name);
        const std::string before =
            fs::is_regular_file(place.path) ? readFile(place.path) : std::string();
        MonitorSettings settings = fixtureSettings();
        settings.RivaFile = (m_folder / "gone" / "RivaTuner.exe").string();
        const MonitorSettings unchanged = settings;
        EXPECT_EQ(SaveAll(settings, place.path, core2Processor(4)), WriteResult::Failed);
        EXPECT_EQ(SaveOnExit(settings, place.path, ExitState{}, m_hardware), WriteResult::Failed);
        EXPECT_EQ(SaveFont(settings, place.path), WriteResult::Failed);
        m_cpu.setMsrOnAll(msr::MSR_TURBO_RATIO_LIMIT, 0x1B1B1C1D);
        EXPECT_EQ(SaveTurboLimits(settings, place.path, m_hardware), WriteResult::Failed);
        EXPECT_EQ(settings, unchanged);
        if (!before.empty()) {
            EXPECT_EQ(readFile(place.path), before);
        }
    }
    EXPECT_TRUE(fs::is_directory(directoryAsFile));
    EXPECT_FALSE(fs::exists(m_folder / "gone"));
}

} // namespace
} // namespace monitor::test
