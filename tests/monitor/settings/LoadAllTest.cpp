// Reading the settings file: defaults, limits and normalisations of every key,
// through the file, as start-up reads it.
#include "monitor/settings/SettingsRules.h"
#include "monitor/settings/SettingsStore.h"
#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace monitor::test {
namespace {

enum class Cpu { Core2, Nehalem, SandyBridge };
enum class Gpu { None, Nvidia, Ati };

ProcessorFacts processorOf(Cpu cpu)
{
    ProcessorFacts facts = core2Processor();
    if (cpu == Cpu::Nehalem) {
        facts.signature = 0x106A5;
        facts.nehalemClass = true;
    } else if (cpu == Cpu::SandyBridge) {
        facts.signature = 0x206A7;
        facts.nehalemClass = true;
        facts.sandyBridgeClass = true;
    }
    return facts;
}

class LoadAllTest : public ScratchFolder {
protected:
    MonitorSettings load(const std::string& keys, Cpu cpu = Cpu::Core2, Gpu gpu = Gpu::None,
                         const SettingsLayout& layout = FourCoreSettings)
    {
        writeFile(m_ini, "[Ostrel]\n" + keys);
        MonitorSettings settings;
        settings.nvidiaPresent = gpu == Gpu::Nvidia;
        settings.atiPresent = gpu == Gpu::Ati;
        LoadFonts(settings, m_ini, layout);
        LoadAll(settings, m_ini, processorOf(cpu), layout);
        return settings;
    }
};

struct IntCase {
    const char* keys;
    Cpu cpu;
    Gpu gpu;
    int (*field)(const MonitorSettings&);
    int expected;
};

int logInterval(const MonitorSettings& s) { return s.LogInterval; }
int hdWrite(const MonitorSettings& s) { return s.HDWrite; }
int refreshInterval(const MonitorSettings& s) { return s.RefreshInterval; }
int clockMod(const MonitorSettings& s) { return s.ClockMod; }
int pollInterval(const MonitorSettings& s) { return s.PollInterval; }
int disableSensor(const MonitorSettings& s) { return s.DisableSensor; }
int alarm1(const MonitorSettings& s) { return s.Alarm1; }
int alarm2(const MonitorSettings& s) { return s.Alarm2; }
int infoWindowIndex(const MonitorSettings& s) { return s.InfoWindowIndex; }
int tjMax0(const MonitorSettings& s) { return s.TjMax[0]; }
int tjMax2(const MonitorSettings& s) { return s.TjMax[2]; }
int idle0(const MonitorSettings& s) { return s.Idle[0]; }
int quality(const MonitorSettings& s) { return s.Quality; }
int iconQuality(const MonitorSettings& s) { return s.iconFont.lfQuality; }
int iconShow(const MonitorSettings& s) { return s.IconShow; }
int iconColour0(const MonitorSettings& s) { return static_cast<int>(s.IconTextColor[0]); }
int iconColour4(const MonitorSettings& s) { return static_cast<int>(s.IconTextColor[4]); }
int guiColor(const MonitorSettings& s) { return static_cast<int>(s.GUIColor); }
int coreMax(const MonitorSettings& s) { return static_cast<int>(s.CoreMax); }
int windowLeft(const MonitorSettings& s) { return unpackPosition(s.WindowXY).x; }
int windowTop(const MonitorSettings& s) { return unpackPosition(s.WindowXY).y; }
int anchorLeft(const MonitorSettings& s) { return unpackPosition(s.AnchorXY).x; }
int anchorTop(const MonitorSettings& s) { return unpackPosition(s.AnchorXY).y; }
int fahrenheit(const MonitorSettings& s) { return s.Fahrenheit; }
int miniMode(const MonitorSettings& s) { return s.MiniMode; }
int tmLoad(const MonitorSettings& s) { return s.TMLoad; }
int lfHeight(const MonitorSettings& s) { return s.lfHeight; }
int lfPitch(const MonitorSettings& s) { return s.lfPitchAndFamily; }
int lfWeight(const MonitorSettings& s) { return s.lfWeight; }
int normalBrush(const MonitorSettings& s) { return static_cast<int>(s.normalBrush.value_or(-1)); }
int miniBrush(const MonitorSettings& s) { return static_cast<int>(s.miniBrush.value_or(-1)); }
int gpuKey(const MonitorSettings& s) { return s.GPU; }
int killMhzKey(const MonitorSettings& s) { return s.KillMHz; }

const IntCase intCases[] = {
    // LogInterval: 1 to 86400 and a divisor of 86400.
    {"", Cpu::Core2, Gpu::None, logInterval, 5},
    {"LogInterval=7\n", Cpu::Core2, Gpu::None, logInterval, 5},
    {"LogInterval=86400\n", Cpu::Core2, Gpu::None, logInterval, 86400},
    {"LogInterval=0\n", Cpu::Core2, Gpu::None, logInterval, 5},
    {"LogInterval=3600\n", Cpu::Core2, Gpu::None, logInterval, 3600},
    {"LogInterval=1\n", Cpu::Core2, Gpu::None, logInterval, 1},
    {"LogInterval=-10\n", Cpu::Core2, Gpu::None, logInterval, 5},
    {"LogInterval=172800\n", Cpu::Core2, Gpu::None, logInterval, 5},
    // HDWrite: 0 gives 1, above 86400 gives 86400.
    {"", Cpu::Core2, Gpu::None, hdWrite, 60},
    {"HDWrite=0\n", Cpu::Core2, Gpu::None, hdWrite, 1},
    {"HDWrite=86401\n", Cpu::Core2, Gpu::None, hdWrite, 86400},
    {"HDWrite=86400\n", Cpu::Core2, Gpu::None, hdWrite, 86400},
    {"HDWrite=7\n", Cpu::Core2, Gpu::None, hdWrite, 7},
    {"HDWrite=-3\n", Cpu::Core2, Gpu::None, hdWrite, 1},
    // RefreshInterval: 100 to 20000 ms.
    {"", Cpu::Core2, Gpu::None, refreshInterval, 1000},
    {"RefreshInterval=99\n", Cpu::Core2, Gpu::None, refreshInterval, 1000},
    {"RefreshInterval=100\n", Cpu::Core2, Gpu::None, refreshInterval, 100},
    {"RefreshInterval=20000\n", Cpu::Core2, Gpu::None, refreshInterval, 20000},
    {"RefreshInterval=20001\n", Cpu::Core2, Gpu::None, refreshInterval, 1000},
    // ClockMod: 0 or above 30 gives 2.
    {"", Cpu::Core2, Gpu::None, clockMod, 2},
    {"ClockMod=0\n", Cpu::Core2, Gpu::None, clockMod, 2},
    {"ClockMod=31\n", Cpu::Core2, Gpu::None, clockMod, 2},
    {"ClockMod=30\n", Cpu::Core2, Gpu::None, clockMod, 30},
    {"ClockMod=24\n", Cpu::Core2, Gpu::None, clockMod, 24},
    {"ClockMod=-8\n", Cpu::Core2, Gpu::None, clockMod, 2},
    // PollInterval and DisableSensor: read only while the ATI sensor works.
    {"PollInterval=0\n", Cpu::Core2, Gpu::Ati, pollInterval, 5},
    {"PollInterval=3600\n", Cpu::Core2, Gpu::Ati, pollInterval, 3600},
    {"PollInterval=3601\n", Cpu::Core2, Gpu::Ati, pollInterval, 5},
    {"PollInterval=30\n", Cpu::Core2, Gpu::Nvidia, pollInterval, 5},
    {"DisableSensor=1\n", Cpu::Core2, Gpu::Ati, disableSensor, 1},
    {"DisableSensor=1\n", Cpu::Core2, Gpu::None, disableSensor, 0},
    // Alarm1: default and upper limit 100, or 212 in °F.
    {"", Cpu::Core2, Gpu::None, alarm1, 100},
    {"Fahrenheit=1\n", Cpu::Core2, Gpu::None, alarm1, 212},
    {"Alarm1=150\n", Cpu::Core2, Gpu::None, alarm1, 100},
    {"Alarm1=150\nFahrenheit=1\n", Cpu::Core2, Gpu::None, alarm1, 150},
    {"Alarm1=250\nFahrenheit=1\n", Cpu::Core2, Gpu::None, alarm1, 212},
    {"Alarm1=85\n", Cpu::Core2, Gpu::None, alarm1, 85},
    // Alarm2: read only with a GPU sensor, then at most 105 (221 °F).
    {"Alarm2=110\n", Cpu::Core2, Gpu::Nvidia, alarm2, 105},
    {"Alarm2=110\nFahrenheit=1\n", Cpu::Core2, Gpu::Nvidia, alarm2, 110},
    {"Alarm2=300\nFahrenheit=1\n", Cpu::Core2, Gpu::Ati, alarm2, 221},
    {"", Cpu::Core2, Gpu::Nvidia, alarm2, 100},
    {"Alarm2=70\n", Cpu::Core2, Gpu::None, alarm2, 100},
    {"Alarm2=70\nFahrenheit=1\n", Cpu::Core2, Gpu::None, alarm2, 212},
    {"Alarm2=70\n", Cpu::Core2, Gpu::Ati, alarm2, 70},
    // InfoWindowIndex by processor class.
    {"InfoWindowIndex=2\n", Cpu::SandyBridge, Gpu::None, infoWindowIndex, 2},
    {"InfoWindowIndex=3\n", Cpu::SandyBridge, Gpu::None, infoWindowIndex, 0},
    {"InfoWindowIndex=1\n", Cpu::Nehalem, Gpu::None, infoWindowIndex, 0},
    {"InfoWindowIndex=1\n", Cpu::Core2, Gpu::None, infoWindowIndex, 1},
    {"InfoWindowIndex=2\n", Cpu::Core2, Gpu::None, infoWindowIndex, 0},
    {"InfoWindowIndex=-1\n", Cpu::SandyBridge, Gpu::None, infoWindowIndex, 0},
    // TjMax<n>: 70 to 120, else the detected value stays.
    {"", Cpu::Core2, Gpu::None, tjMax2, 95},
    {"TjMax2=69\n", Cpu::Core2, Gpu::None, tjMax2, 95},
    {"TjMax2=121\n", Cpu::Core2, Gpu::None, tjMax2, 95},
    {"TjMax2=70\n", Cpu::Core2, Gpu::None, tjMax2, 70},
    {"TjMax2=120\n", Cpu::Core2, Gpu::None, tjMax2, 120},
    {"TjMax2=0x64\n", Cpu::Core2, Gpu::None, tjMax2, 100},
    {"TjMax2=105\n", Cpu::Core2, Gpu::None, tjMax0, 95},
    // Idle<n>: tenths, rounded away from zero, -199 to 99.
    {"", Cpu::Core2, Gpu::None, idle0, 0},
    {"Idle0=-20\n", Cpu::Core2, Gpu::None, idle0, 0},
    {"Idle0=9.96\n", Cpu::Core2, Gpu::None, idle0, 0},
    {"Idle0=9.94\n", Cpu::Core2, Gpu::None, idle0, 99},
    {"Idle0=-0.04\n", Cpu::Core2, Gpu::None, idle0, 0},
    {"Idle0=-19.9\n", Cpu::Core2, Gpu::None, idle0, -199},
    {"Idle0=-1.55\n", Cpu::Core2, Gpu::None, idle0, -16},
    {"Idle0=2.5\n", Cpu::Core2, Gpu::None, idle0, 25},
    {"Idle0=0.05\n", Cpu::Core2, Gpu::None, idle0, 1},
    {"Idle0=+1.5\n", Cpu::Core2, Gpu::None, idle0, 15},
    {"Idle0=1,5\n", Cpu::Core2, Gpu::None, idle0, 10},
    {"Idle0=warm\n", Cpu::Core2, Gpu::None, idle0, 0},
    {"Idle0=1e300\n", Cpu::Core2, Gpu::None, idle0, 0},
    {"Idle0=nan\n", Cpu::Core2, Gpu::None, idle0, 0},
    // Quality: 0 to 3; the icon font's quality is Quality + 3.
    {"", Cpu::Core2, Gpu::None, quality, 0},
    {"Quality=5\n", Cpu::Core2, Gpu::None, quality, 3},
    {"Quality=-1\n", Cpu::Core2, Gpu::None, quality, 0},
    {"Quality=2\n", Cpu::Core2, Gpu::None, iconQuality, 5},
    {"Quality=9\n", Cpu::Core2, Gpu::None, iconQuality, 6},
    // Font keys.
    {"", Cpu::Core2, Gpu::None, lfHeight, -13},
    {"", Cpu::Core2, Gpu::None, lfWeight, 400},
    {"", Cpu::Core2, Gpu::None, lfPitch, 34},
    {"lfHeight=-16\n", Cpu::Core2, Gpu::None, lfHeight, -16},
    // IconShow: the GPU icon bit needs a GPU sensor.
    {"", Cpu::Core2, Gpu::None, iconShow, 1},
    {"IconShow=31\n", Cpu::Core2, Gpu::None, iconShow, 15},
    {"IconShow=31\n", Cpu::Core2, Gpu::Nvidia, iconShow, 31},
    {"IconShow=4113\n", Cpu::Core2, Gpu::None, iconShow, 4097},
    // Colours: decimal or "0x" text.
    {"IconTextColor0=0x0000FF\n", Cpu::Core2, Gpu::None, iconColour0, 255},
    {"", Cpu::Core2, Gpu::None, iconColour0, 0xFFFFFF},
    {"IconTextColor4=0x00FF00\n", Cpu::Core2, Gpu::Nvidia, iconColour4, 0x00FF00},
    {"", Cpu::Core2, Gpu::None, guiColor, 16053230},
    {"GUIColor=0x123456\n", Cpu::Core2, Gpu::None, guiColor, 0x123456},
    {"CoreMax=65280\n", Cpu::Core2, Gpu::None, coreMax, 65280},
    // Brushes exist only while custom colours are on.
    {"GUIColor=0x102030\n", Cpu::Core2, Gpu::None, normalBrush, -1},
    {"GUIColor=0x102030\nCustomGUI=1\n", Cpu::Core2, Gpu::None, normalBrush, 0x102030},
    {"GUIMiniColor=0x405060\nCustomGUIMini=1\n", Cpu::Core2, Gpu::None, miniBrush, 0x405060},
    // Packed positions, negative coordinates included.
    {"WindowXY=543432654\n", Cpu::Core2, Gpu::None, windowLeft, -50},
    {"WindowXY=543432654\n", Cpu::Core2, Gpu::None, windowTop, 100},
    {"WindowXY=540156004\n", Cpu::Core2, Gpu::None, windowLeft, 100},
    {"WindowXY=540156004\n", Cpu::Core2, Gpu::None, windowTop, 50},
    {"AnchorXY=517216784\n", Cpu::Core2, Gpu::None, anchorLeft, -1520},
    {"AnchorXY=517216784\n", Cpu::Core2, Gpu::None, anchorTop, -300},
    {"", Cpu::Core2, Gpu::None, windowLeft, -8192},
    // Flags: any non-zero value is on.
    {"Fahrenheit=5\n", Cpu::Core2, Gpu::None, fahrenheit, 1},
    {"MiniMode=2\n", Cpu::Core2, Gpu::None, miniMode, 1},
    {"TMLoad=0\n", Cpu::Core2, Gpu::None, tmLoad, 0},
    // Read as they are.
    {"GPU=3\n", Cpu::Core2, Gpu::None, gpuKey, 3},
    {"KillMHz=29\n", Cpu::Core2, Gpu::None, killMhzKey, 29},
};

TEST_F(LoadAllTest, IntegerKeysFollowTheirRules)
{
    for (const IntCase& c : intCases) {
        SCOPED_TRACE(c.keys);
        EXPECT_EQ(c.field(load(c.keys, c.cpu, c.gpu)), c.expected);
    }
}

struct TextCase {
    const char* keys;
    std::string (*field)(const MonitorSettings&);
    const char* expected;
};

std::string unitText(const MonitorSettings& s) { return s.unitText; }
std::string logFileName(const MonitorSettings& s) { return s.LogFileName; }
std::string faceName(const MonitorSettings& s) { return s.iconFont.lfFaceName; }
std::string alarmFile(const MonitorSettings& s) { return s.AlarmFile; }

const TextCase textCases[] = {
    {"", unitText, "\xC2\xB0" "C"},
    {"Fahrenheit=1\n", unitText, "\xC2\xB0" "F"},
    {"DegreeSymbolString= deg\n", unitText, "deg"},
    {"DegreeSymbolString=\nFahrenheit=1\n", unitText, "\xC2\xB0" "F"},
    {"DegreeSymbolString=ABCDEFGHIJKLMN\n", unitText, "ABCDEFGHIJK"},
    // Eleven characters, not eleven bytes: a two-byte character is kept whole.
    {"DegreeSymbolString=\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0"
     "\xC2\xB0\xC2\xB0\xC2\xB0\n",
     unitText,
     "\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0\xC2\xB0"},
    {"", logFileName, "OstrelLog"},
    {"LogFileName=/home/me/temps\n", logFileName, "/home/me/temps"},
    {"", faceName, "MS Sans Serif"},
    {"lfFaceName=An Extremely Long Font Family Name Indeed\n", faceName,
     "An Extremely Long Font Family N"},
    {"AlarmFile=\"/opt/alarm script.sh\"\n", alarmFile, "/opt/alarm script.sh"},
};

TEST_F(LoadAllTest, TextKeysFollowTheirRules)
{
    for (const TextCase& c : textCases) {
        SCOPED_TRACE(c.keys);
        EXPECT_EQ(c.field(load(c.keys)), c.expected);
    }
}

TEST_F(LoadAllTest, MissingFileGivesTheDefaultRecordWithTheProcessorsValues)
{
    MonitorSettings settings;
    const ProcessorFacts processor = processorOf(Cpu::SandyBridge);
    LoadFonts(settings, (m_folder / "absent.ini").string());
    LoadAll(settings, (m_folder / "absent.ini").string(), processor);

    MonitorSettings expected;
    expected.TjMax = processor.tjMax;
    expected.CPUID = processor.signature;
    expected.Spec = processor.brandString;
    expected.iconFont = iconFontFrom(expected);
    expected.mainFont = mainFontFor(WindowsMajorVersion);
    EXPECT_EQ(settings, expected);
    EXPECT_EQ(settings.iconFont.lfQuality, 3);
    EXPECT_EQ(settings.mainFont.lfQuality, 6);
    EXPECT_EQ(settings.mainFont.lfHeight, 24);
    EXPECT_EQ(settings.mainFont.lfWeight, 500);
    EXPECT_EQ(settings.mainFont.lfFaceName, "Microsoft Sans Serif");
}

TEST_F(LoadAllTest, SixCoreBuildKeys)
{
    const std::string keys =
        "TjMax5=110\nIdle7=1.5\nIconTextColor8=0x0000FF\nIconShow=511\nFontNumber=4\nBold=1\n"
        "VIDInfo=1\nLogFileName=mine\nRefreshInterval=500\nSkull=2\nKillMHz=1\nOldFormula=1\n";
    const MonitorSettings six = load(keys, Cpu::Core2, Gpu::None, SixCoreSettings);
    EXPECT_EQ(six.TjMax[5], 110);
    EXPECT_EQ(six.Idle[7], 15);
    EXPECT_EQ(six.IconTextColor[8], 0x0000FFu);
    EXPECT_EQ(six.IconShow, 0xFF); // GPU icon bit 8 cleared without a GPU
    EXPECT_EQ(six.FontNumber, 0);
    EXPECT_TRUE(six.Bold);
    EXPECT_EQ(six.VIDInfo, 1);
    // Keys this build does not use keep their defaults.
    EXPECT_EQ(six.LogFileName, "OstrelLog");
    EXPECT_EQ(six.RefreshInterval, 1000);
    EXPECT_EQ(six.Skull, 0);
    EXPECT_EQ(six.KillMHz, 0);
    EXPECT_EQ(six.OldFormula, 0);

    const MonitorSettings four = load(keys);
    EXPECT_EQ(four.TjMax[5], 95); // no such key in the four-core build
    EXPECT_EQ(four.Idle[7], 0);
    EXPECT_EQ(four.IconShow, 0x1EF); // bit 4 is the GPU icon here
    EXPECT_EQ(four.RefreshInterval, 500);
    EXPECT_EQ(four.Skull, 2);

    EXPECT_EQ(load("VIDInfo=1\n", Cpu::Nehalem, Gpu::None, SixCoreSettings).VIDInfo, 0);
    EXPECT_EQ(load("FontNumber=3\n", Cpu::Core2, Gpu::None, SixCoreSettings).FontNumber, 3);
    EXPECT_EQ(load("FontNumber=-1\n", Cpu::Core2, Gpu::None, SixCoreSettings).FontNumber, 0);
}

TEST_F(LoadAllTest, SixCoreBuildAlarmsFollowTheUnit)
{
    struct Case {
        const char* keys;
        Gpu gpu;
        int alarm1;
        int alarm2;
    } cases[] = {
        {"", Gpu::None, 90, 100},
        {"Fahrenheit=1\n", Gpu::None, 194, 212},
        {"", Gpu::Nvidia, 90, 90},
        {"Alarm1=150\nAlarm2=110\n", Gpu::Nvidia, 100, 105},
        {"Alarm1=150\nAlarm2=110\nFahrenheit=1\n", Gpu::Nvidia, 150, 110},
        {"Alarm1=250\nAlarm2=250\nFahrenheit=1\n", Gpu::Nvidia, 212, 221},
        {"Alarm1=95\nAlarm2=99\n", Gpu::Ati, 95, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        const MonitorSettings s = load(c.keys, Cpu::Core2, c.gpu, SixCoreSettings);
        EXPECT_EQ(s.Alarm1, c.alarm1);
        EXPECT_EQ(s.Alarm2, c.alarm2);
    }
}

TEST(KillMhzKey, TogglesTheMobileFlag)
{
    struct Case {
        bool detected;
        int key;
        bool expected;
    } cases[] = {
        {true, 0, true}, {true, 1, true}, {true, 29, false},
        {false, 0, false}, {false, 29, true}, {false, -1, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(killMhzAfterKey(c.detected, c.key), c.expected) << c.detected << " " << c.key;
}

TEST(PackedPosition, RoundTripsEveryQuadrant)
{
    for (const ScreenPoint point : {ScreenPoint{-50, 100}, ScreenPoint{-1920, -1080},
                                    ScreenPoint{0, 0}, ScreenPoint{3839, 2159},
                                    ScreenPoint{-8192, -8192}, ScreenPoint{24000, 24000}})
        EXPECT_EQ(unpackPosition(packPosition(point)), point) << point.x << "," << point.y;
    EXPECT_EQ(packPosition({100, 50}), 540156004);
    EXPECT_EQ(packPosition({-50, 100}), (100 + 8192) * 65536 + (-50 + 8192));
    EXPECT_EQ(packPosition({-8192, -8192}), 0);
}

} // namespace
} // namespace monitor::test
