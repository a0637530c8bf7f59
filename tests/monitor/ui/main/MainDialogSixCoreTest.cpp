// The six-core build's window and its differences from the four-core one:
// six columns on a six-core processor with hyper-threading, the caption, the
// information field chosen by VIDInfo, the signature field and button, the
// start-up priorities and wait, a four-core settings file, and the log.

#include "tests/monitor/ui/MonitorRig.h"

#include "registers/MsrIndex.h"
#include "monitor/lifecycle/MonitorTick.h"
#include "monitor/ui/main/MainDialogTemplateSixCore.h"
#include "monitor/ui/main/MainWindowLayout.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>

#include <set>

namespace {

using namespace monitor;
using uitest::MonitorRig;

const QString Celsius = QString::fromUtf8("\xC2\xB0" "C");
const std::vector<int> SixReadouts = {40, 35, 30, 25, 20, 15};

MonitorRig sixCoreRig(const std::string& profile, std::vector<int> readouts, const std::string& ini = "")
{
    return MonitorRig(profile, std::move(readouts), ini, {}, hw::SixCoreBuild);
}

bool matches(const QString& text, const char* pattern)
{
    return QRegularExpression(QString::fromLatin1(pattern)).match(text).hasMatch();
}

TEST(SixCoreWindow, SixColumnsFromTheTemplateWithItsRows)
{
    const MainWindowLayout& layout = mainWindowLayoutFor(hw::SixCoreBuild);
    EXPECT_EQ(&layout.dialogTemplate, &MainDialogTemplateSixCore);
    EXPECT_EQ(&mainWindowLayoutFor(hw::FourCoreBuild).dialogTemplate, &MainDialogTemplate);
    const dialog::DialogTemplate& t = layout.dialogTemplate;
    EXPECT_EQ(t.resourceId, 102);
    EXPECT_EQ(t.width, 274);
    ASSERT_EQ(layout.columns.size(), 6u);

    std::set<int> ids;
    for (const dialog::ControlSpec& c : t.controls) {
        EXPECT_TRUE(ids.insert(c.id).second) << "identifier " << c.id << " twice";
        EXPECT_LE(c.x + c.w, t.width - 4) << c.id;
        EXPECT_LE(c.y + c.h, t.height) << c.id;
    }
    auto find = [&t](int id) -> const dialog::ControlSpec* {
        for (const dialog::ControlSpec& c : t.controls)
            if (c.id == id)
                return &c;
        return nullptr;
    };
    for (int slot = 0; slot < 6; ++slot) {
        const CoreColumn& column = layout.columns[slot];
        const std::pair<int, int> rows[] = {{column.temperature, 53}, {column.distance, 86}, {column.minimum, 119},
                                            {column.minimumTime, 130}, {column.maximum, 158},
                                            {column.maximumTime, 169}, {column.status, 197}};
        for (const auto& [id, y] : rows) {
            const dialog::ControlSpec* c = find(id);
            ASSERT_NE(c, nullptr) << "slot " << slot << " control " << id;
            EXPECT_EQ(c->x, 9 + 44 * slot) << id;
            EXPECT_EQ(c->w, 37) << id;
            EXPECT_EQ(c->y, y) << id;
        }
    }
    // The five buttons share the bottom row; no view button.
    for (int id : {IDC_SENSOR_TEST, IDC_BENCH, IDC_RESET, IDC_SETTINGS, IDC_GPU_BUTTON})
        EXPECT_EQ(find(id)->y, 216) << id;
    EXPECT_EQ(find(IDC_INFO_BUTTON), nullptr);
}

TEST(SixCoreWindow, SixCoreProcessorWithHyperThreadingFillsSixColumns)
{
    MonitorRig rig = sixCoreRig("i7-980x", SixReadouts);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.window->show();
    rig.tick(2);
    ASSERT_EQ(rig.tjMax(0), 100);
    const char* temperatures[] = {"60", "65", "70", "75", "80", "85"};
    for (int slot = 0; slot < 6; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const CoreColumn& c = SixCoreColumns[slot];
        EXPECT_EQ(rig.text(c.temperature), temperatures[slot]);
        EXPECT_EQ(rig.text(c.distance), QString::number(SixReadouts[slot]));
        EXPECT_EQ(rig.text(c.minimum), temperatures[slot] + Celsius);
        EXPECT_EQ(rig.text(c.maximum), temperatures[slot] + Celsius);
        EXPECT_EQ(rig.text(c.status), QStringLiteral("OK"));
    }
    // Slots 6 and 7 hold no core; the log has no column for them.
    EXPECT_FALSE(rig.records->info.corePresent(6));
    EXPECT_FALSE(rig.records->info.corePresent(7));
    EXPECT_EQ(LogColumnsFor(*rig.records).coreSlots, (std::vector<int>{0, 1, 2, 3, 4, 5}));

    EXPECT_EQ(rig.window->caption(), "Ostrel HX 3.64");
    rig.window->showMinimized();
    rig.tick();
    EXPECT_EQ(rig.window->caption(), QStringList({"60", "65", "70", "75", "80", "85"}).join(Celsius + " ") + Celsius);
    rig.window->restoreWindow();
    EXPECT_EQ(rig.window->caption(), "Ostrel HX 3.64");

    // The thermal status of the sixth column turns red at TjMax.
    rig.cpu->pinReadout(5, 0);
    rig.tick();
    EXPECT_EQ(rig.text(IDC_STATUS5), QStringLiteral("HOT"));
    EXPECT_EQ(rig.window->control(IDC_STATUS5)->palette().color(QPalette::Text), QColor(255, 0, 0));
}

TEST(SixCoreWindow, EightCoresOfTwoPackagesShowTheFirstSix)
{
    MonitorRig rig = sixCoreRig("xeon-x5570-2s", {40, 41, 42, 43, 20, 21, 22, 23});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    EXPECT_TRUE(rig.records->info.corePresent(6));
    EXPECT_TRUE(rig.records->info.corePresent(7));
    EXPECT_EQ(rig.text(IDC_TEMPERATURE4), "75");
    EXPECT_EQ(rig.text(IDC_TEMPERATURE5), "74");
    EXPECT_EQ(LogColumnsFor(*rig.records).coreSlots, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    // No package selection in this build: the heading never names a package.
    EXPECT_EQ(rig.text(IDC_TEMPERATURE_FRAME), "Temperature (" + Celsius + ")");
}

TEST(SixCoreWindow, DualCoreLeavesFourColumnsEmpty)
{
    MonitorRig rig = sixCoreRig("e8400", {50, 45});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick(2);
    EXPECT_EQ(rig.text(IDC_TEMPERATURE1), "55");
    for (int slot = 2; slot < 6; ++slot) {
        const CoreColumn& c = SixCoreColumns[slot];
        for (int id : {c.temperature, c.distance, c.minimum, c.minimumTime, c.maximum, c.maximumTime, c.status})
            EXPECT_EQ(rig.text(id), QString()) << "control " << id;
    }
}

TEST(SixCoreWindow, SignatureFieldAndGpuSignatureButton)
{
    MonitorRig rig = sixCoreRig("i7-980x", SixReadouts);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    EXPECT_TRUE(rig.window->isVisible(IDC_SIGNATURE));
    EXPECT_EQ(rig.text(IDC_SIGNATURE), "206C2");
    EXPECT_TRUE(rig.window->isVisible(IDC_GPU_BUTTON));
    EXPECT_EQ(rig.text(IDC_GPU_BUTTON), "CPUID  0x206C2");
    EXPECT_FALSE(rig.window->isEnabled(IDC_GPU_BUTTON));
    EXPECT_FALSE(rig.settings().gpuPresent);
    EXPECT_TRUE(rig.window->isVisible(IDC_INFO_TEXT));
}

struct VidInfoCase {
    const char* profile;
    const char* ini;
    bool vid;      // the field shows the VID, else the run timer
    double offset; // volts at VID 0
};

class SixCoreInformationField : public ::testing::TestWithParam<VidInfoCase> {};

TEST_P(SixCoreInformationField, ShowsTheVidOnlyWithVidInfoOnCore2Processors)
{
    const VidInfoCase& c = GetParam();
    MonitorRig rig = sixCoreRig(c.profile, {40, 40, 40, 40, 40, 40}, c.ini);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick(2);
    const QString shown = rig.text(IDC_INFO_TEXT);
    if (!c.vid) {
        EXPECT_TRUE(matches(shown, "^\\d+:\\d\\d:\\d\\d$")) << shown.toStdString();
        return;
    }
    const uint64_t perfStatus = rig.records->access.read(msr::IA32_PERF_STATUS);
    const double volts = static_cast<double>(msr::perf_status::CurrentVid.get(perfStatus)) * 0.0125 + c.offset;
    EXPECT_EQ(shown, QString::asprintf("VID   %.4f", volts));
    // The settings window may switch it off while the program runs.
    rig.settings().VIDInfo = 0;
    rig.tick();
    EXPECT_TRUE(matches(rig.text(IDC_INFO_TEXT), "^\\d+:\\d\\d:\\d\\d$"));
}

INSTANTIATE_TEST_SUITE_P(
    VidInfoKey, SixCoreInformationField,
    ::testing::Values(VidInfoCase{"e8400", "VIDInfo=1\n", true, 0.825},
                      VidInfoCase{"t9300", "VIDInfo=1\n", true, 0.7125},
                      VidInfoCase{"e8400", "VIDInfo=0\nInfoWindowIndex=1\n", false, 0},
                      VidInfoCase{"i7-980x", "VIDInfo=1\n", false, 0}));

TEST(SixCoreStartup, PrioritiesAndTheWaitAfterInitialise)
{
    struct Case {
        const hw::BuildFlavour* flavour;
        platform::PriorityClass priorityClass;
        platform::ThreadPriority threadPriority;
        int waitMs;
    } cases[] = {
        {&hw::FourCoreBuild, platform::PriorityClass::AboveNormal, platform::ThreadPriority::AboveNormal, 500},
        {&hw::SixCoreBuild, platform::PriorityClass::Normal, platform::ThreadPriority::TimeCritical, 250},
    };
    for (const Case& c : cases) {
        MonitorRig rig("i7-980x", SixReadouts, "", {}, *c.flavour);
        ASSERT_EQ(rig.start(), StartupOutcome::Running);
        const std::vector<std::string> calls = rig.faults->calls();
        const std::vector<std::string> expected = {
            "class " + std::to_string(static_cast<int>(c.priorityClass)), "sleep 0",
            "thread " + std::to_string(static_cast<int>(c.threadPriority)), "sleep 0", "initialise",
            "sleep " + std::to_string(c.waitMs)};
        ASSERT_GE(calls.size(), expected.size());
        EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + expected.size()), expected);
    }
}

TEST(SixCoreSettings, FourCoreSettingsFileKeepsItsPavoltSectionAndLacksSlotsFourUp)
{
    const std::string fourCoreFile = "Idle0=1.5\nIdle3=2.5\nTjMax1=105\nInfoWindowIndex=1\nRefreshInterval=500\n"
                                     "LogFileName=elsewhere\nSkull=2\n"
                                     "[Pavolt]\nOneADEAX=0x1A1A1B1C\nOneADEDX=0x1A1A\nTDPTDC=0x828082F8\n";
    MonitorRig rig = sixCoreRig("i7-980x", SixReadouts, fourCoreFile);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    const MonitorSettings& s = rig.settings();
    EXPECT_EQ(s.Idle[0], 15);
    EXPECT_EQ(s.Idle[3], 25);
    for (int slot : {4, 5, 6, 7})
        EXPECT_EQ(s.Idle[slot], 0) << slot;
    EXPECT_EQ(rig.tjMax(1), 105);
    EXPECT_EQ(rig.tjMax(4), 100);
    EXPECT_EQ(s.RefreshInterval, 1000);
    EXPECT_EQ(s.Skull, 0);
    // No stored ratios; the power limits keep the processor's values (with
    // their override bits), not the four-core build's TDPTDC.
    for (const sim::WriteRecord& w : rig.cpu->writes()) {
        EXPECT_NE(w.index, msr::MSR_TURBO_RATIO_LIMIT);
        if (w.index == msr::MSR_TURBO_POWER_CURRENT_LIMIT) {
            EXPECT_NE(msr::lowHalf(w.value), 0x828082F8u);
        }
    }

    // The same keys in this build's own section are applied.
    MonitorRig own = sixCoreRig("i7-980x", SixReadouts, "OneADEAX=0x1A1A1B1C\n");
    ASSERT_EQ(own.start(), StartupOutcome::Running);
    bool ratiosWritten = false;
    for (const sim::WriteRecord& w : own.cpu->writes())
        ratiosWritten = ratiosWritten || w.index == msr::MSR_TURBO_RATIO_LIMIT;
    EXPECT_TRUE(ratiosWritten);
}

// Runs a test body with the working folder changed to `dir`.
class WorkingFolder {
public:
    explicit WorkingFolder(const QString& dir) : m_previous(QDir::currentPath()) { QDir::setCurrent(dir); }
    ~WorkingFolder() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

TEST(SixCoreLog, FixedNameCompactLinesAndNoColumnsForEmptySlots)
{
    MonitorRig rig = sixCoreRig("i7-980x", SixReadouts,
                                "LogFile=1\nLogInterval=1\nHDWrite=1\nLogFileName=elsewhere\nCSV=0\n");
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    WorkingFolder folder(rig.dir.path());
    rig.tick(2);
    EXPECT_FALSE(QFile::exists(rig.dir.filePath(QStringLiteral("elsewhere.txt"))));
    QFile file(rig.dir.filePath(QStringLiteral("OstrelLog.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], "  DATE     TIME     MHz   C0 C1 C2 C3 C4 C5 LOAD%");
    for (qsizetype i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(matches(lines[i], "^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d \\d+\\.\\d\\d 60 65 70 75 80 85 \\d+\\.\\d$"))
            << lines[i].toStdString();
}

} // namespace
