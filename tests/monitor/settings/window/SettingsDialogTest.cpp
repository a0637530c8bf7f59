// The settings window driven on simulated processors: its field corrections,
// the icon boxes over a fake notification area, Apply, OK, Cancel and
// Defaults with what they write to the registers and the settings file, and
// the six-core build's window where it differs.

#include "FakeNotificationArea.h"
#include "FakeWindows.h"
#include "MonitorRig.h"

#include "dialog/MessageBoxStyle.h"
#include "dialog/StandardIds.h"
#include "dialog/UpDownControl.h"
#include "registers/MsrIndex.h"
#include "monitor/sampling/TemperatureFormula.h"
#include "monitor/settings/window/SettingsDialog.h"
#include "monitor/settings/window/SettingsDialogTemplate.h"
#include "monitor/settings/window/SettingsTemplateManyCore.h"
#include "monitor/ui/main/MainDialogTemplate.h"
#include "monitor/ui/tray/NotificationIcons.h"

#include <QPushButton>
#include <QToolButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

using namespace monitor;
using dialog::ServiceKind;
using uitest::FakeNotificationArea;
using uitest::MonitorRig;

constexpr int Core0Icon = 4294, Core2Icon = 4296;

struct SettingsRig {
    explicit SettingsRig(const std::string& ini = "", const char* profile = "i7-2600k",
                         const hw::BuildFlavour& flavour = hw::FourCoreBuild)
    {
        rig = std::make_unique<MonitorRig>(profile, std::vector<int>{40, 40, 40, 40, 40, 40}, ini,
                                           MainDialogParts{.icons = &icons}, flavour);
        EXPECT_EQ(rig->start(), StartupOutcome::Running);
        rig->tick();
    }

    SettingsDialog& open()
    {
        SettingsDialogHooks hooks;
        hooks.icons = &icons;
        hooks.screenSize = [] { return QSize(1280, 1024); };
        dialog = std::make_unique<SettingsDialog>(*rig->window, std::move(hooks));
        return *dialog;
    }
    // Shown and active, as the keyboard and the focus need it.
    SettingsDialog& openActive()
    {
        open().show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return *dialog;
    }
    void click(int id) { dialog->widget<QAbstractButton>(id)->click(); }
    void type(int id, const QString& text)
    {
        dialog->setText(id, text);
        dialog->runLeaveFieldCheck(id);
    }
    MonitorSettings& settings() { return rig->settings(); }
    sim::SimulatedProcessor& cpu() { return *rig->cpu; }
    uint64_t modulation(int n) { return cpu().peek(n, msr::IA32_CLOCK_MODULATION).value_or(~0ull); }
    std::string key(const char* name) { return platform::IniFile(rig->iniPath).readString("Ostrel", name, "<none>"); }

    FakeNotificationArea area;
    NotificationIcons icons{area.factory(), [] { return true; }};
    std::unique_ptr<MonitorRig> rig;
    std::unique_ptr<SettingsDialog> dialog;
};

TEST(SettingsDialog, FieldsAreCorrectedWhenLeft)
{
    SettingsRig rig("Alarm=1\nLogFile=1\n");
    SettingsDialog& window = rig.open();
    const std::string huge(400, '9'), negativeHuge = "-" + huge; // more digits than a double holds
    for (auto [typed, shown] : {std::pair{"-25", "-19.9"}, {"12", "9.9"}, {"0.04", "0.0"}, {"-0.05", "-0.1"},
                                {"+-5", "0.0"}, {huge.c_str(), "9.9"}, {negativeHuge.c_str(), "-19.9"}}) {
        rig.type(IDC_IDLE0, QString::fromLatin1(typed));
        EXPECT_EQ(window.text(IDC_IDLE0), QString::fromLatin1(shown)) << typed;
    }
    for (auto [typed, shown] : {std::pair{7, 8}, {70, 72}, {100, 100}, {0, 1}, {90000, 86400}}) {
        rig.type(IDC_LOG_SECONDS, QString::number(typed));
        EXPECT_EQ(window.number(IDC_LOG_SECONDS), shown) << typed;
        EXPECT_EQ(rig.settings().LogInterval, shown) << "at once";
    }
    window.setChecked(IDC_SET_TJMAX, true);
    rig.click(IDC_SET_TJMAX);
    rig.click(IDC_SET_TJMAX);
    EXPECT_TRUE(window.isEnabled(IDC_TJMAX3));
    for (auto [typed, shown] : {std::pair{130, 120}, {50, 70}, {95, 95}}) {
        rig.type(IDC_TJMAX3, QString::number(typed));
        EXPECT_EQ(window.number(IDC_TJMAX3), shown) << typed;
    }
}

TEST(SettingsDialog, AlarmLimitsFollowTheUnitShown)
{
    struct Case {
        const hw::BuildFlavour& flavour;
        const char* ini;
        int typed, shown;
    };
    for (const Case& c : {Case{hw::FourCoreBuild, "Alarm=1\n", 150, 100},
                          Case{hw::FourCoreBuild, "Alarm=1\nFahrenheit=1\n", 150, 150},
                          Case{hw::FourCoreBuild, "Alarm=1\nFahrenheit=1\n", 250, 212},
                          Case{hw::SixCoreBuild, "Alarm=1\n", 150, 100},
                          Case{hw::SixCoreBuild, "Alarm=1\nFahrenheit=1\n", 150, 150},
                          Case{hw::SixCoreBuild, "Alarm=1\nFahrenheit=1\n", 250, 212}}) {
        SettingsRig rig(c.ini, c.flavour.coreSlots > 4 ? "i7-980x" : "i7-2600k", c.flavour);
        SettingsDialog& window = rig.open();
        rig.type(IDC_ALARM_CPU, QString::number(c.typed));
        EXPECT_EQ(window.number(IDC_ALARM_CPU), c.shown) << c.ini << c.typed;
        EXPECT_EQ(rig.settings().Alarm1, c.shown);
    }
}

TEST(SettingsDialog, LongNumbersAreCorrectedAndTextThatIsNoNumberKeepsTheField)
{
    SettingsRig rig("Alarm=1\nLogFile=1\nLogInterval=60\nAlarm1=80\n");
    SettingsDialog& window = rig.open();
    const int tjMax = window.number(IDC_TJMAX3).value_or(0);
    struct Case {
        int field;
        const char* typed;
        int shown;
    };
    for (const Case& c : {Case{IDC_LOG_SECONDS, "1 minute", 60}, Case{IDC_LOG_SECONDS, "99999999999", 86400},
                          Case{IDC_ALARM_CPU, "hot", 80}, Case{IDC_ALARM_CPU, "99999999999", 100},
                          Case{IDC_TJMAX3, "-", tjMax}, Case{IDC_TJMAX3, "99999999999", 120}}) {
        rig.type(c.field, QString::fromLatin1(c.typed));
        EXPECT_EQ(window.number(c.field), c.shown) << c.typed;
    }
    EXPECT_EQ(rig.settings().LogInterval, 86400);
    EXPECT_EQ(rig.settings().Alarm1, 100);
}

TEST(SettingsDialog, IconBoxesKeepTheIconOrderAndTheTaskBarReachable)
{
    SettingsRig rig("IconShow=1\nTaskBar=0\n");
    SettingsDialog& window = rig.open();
    ASSERT_EQ(rig.area.order(), std::vector<int>{Core0Icon});
    EXPECT_TRUE(window.isEnabled(IDC_TASK_BAR));

    rig.click(IDC_SHOW_ICON2);
    EXPECT_EQ(rig.area.order(), (std::vector<int>{Core2Icon, Core0Icon}));
    EXPECT_EQ(rig.settings().IconShow & 0x1FF, 0x5);

    // An icon the notification area refuses stays unchecked.
    rig.area.refused.insert(Core0Icon + 1);
    rig.click(IDC_SHOW_ICON1);
    EXPECT_FALSE(window.isChecked(IDC_SHOW_ICON1));
    EXPECT_EQ(rig.settings().IconShow & 0x1FF, 0x5);

    rig.click(IDC_SHOW_ICON2);
    rig.click(IDC_SHOW_ICON0);
    EXPECT_TRUE(rig.area.docked.empty());
    EXPECT_TRUE(window.isChecked(IDC_TASK_BAR));
    EXPECT_FALSE(window.isEnabled(IDC_TASK_BAR));
    EXPECT_EQ(rig.settings().TaskBar, 1);

    rig.click(IDC_SHOW_MAX_ICON);
    EXPECT_TRUE(rig.settings().IconMax);
    EXPECT_TRUE(window.isEnabled(IDC_TASK_BAR));
}

TEST(SettingsDialog, EnterInAFieldCorrectsItAndStaysOpen)
{
    SettingsRig rig;
    SettingsDialog& window = rig.openActive();
    window.setFocus(IDC_IDLE2);
    window.setText(IDC_IDLE2, QStringLiteral("12"));
    QTest::keyClick(window.control(IDC_IDLE2), Qt::Key_Return);
    EXPECT_EQ(window.text(IDC_IDLE2), QStringLiteral("9.9"));
    EXPECT_FALSE(window.ended());
    EXPECT_TRUE(window.isVisible());
}

TEST(SettingsDialog, DutySpinWrapsAtBothEnds)
{
    SettingsRig rig("ClockMod=30\n"); // on, 87.5 %
    SettingsDialog& window = rig.open();
    EXPECT_TRUE(window.isChecked(IDC_CLOCK_MODULATION));
    EXPECT_EQ(window.dutyCode(), 14);
    auto* spin = window.widget<dialog::UpDownControl>(IDC_DUTY_SPIN);
    QTest::mouseClick(spin->upButton(), Qt::LeftButton);
    EXPECT_EQ(window.text(IDC_DUTY_TEXT), QStringLiteral("12.5 %"));
    QTest::mouseClick(spin->downButton(), Qt::LeftButton);
    EXPECT_EQ(window.text(IDC_DUTY_TEXT), QStringLiteral("87.5 %"));
}

TEST(SettingsDialog, StartupClockModulationReachesEveryCpu)
{
    for (auto [stored, written] : {std::pair{24, 24u}, {31, 2u}}) {
        SettingsRig rig("ClockMod=" + std::to_string(stored) + "\n");
        for (int n = 0; n < 8; ++n)
            EXPECT_EQ(rig.modulation(n), written) << stored << " on CPU " << n;
    }
}

TEST(SettingsDialog, ApplyTakesTheWindowAndCancelRestoresTheModulation)
{
    SettingsRig rig("ClockMod=24\n");
    SettingsDialog& window = rig.open();
    EXPECT_FALSE(window.isEnabled(IDC_APPLY));
    rig.click(IDC_ON_TOP);
    EXPECT_TRUE(window.isEnabled(IDC_APPLY));
    auto* spin = window.widget<dialog::UpDownControl>(IDC_DUTY_SPIN);
    QTest::mouseClick(spin->upButton(), Qt::LeftButton); // 50 % -> 62.5 %
    rig.click(IDC_APPLY);
    EXPECT_FALSE(window.isEnabled(IDC_APPLY));
    EXPECT_EQ(rig.settings().OnTop, 1);
    EXPECT_EQ(rig.settings().ClockMod, 26);
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(rig.modulation(n), 26u) << n;

    rig.click(dialog::IDCANCEL);
    EXPECT_TRUE(window.ended());
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(rig.modulation(n), 24u) << "the image read at opening, on CPU " << n;
}

TEST(SettingsDialog, DefaultsChangeOnlyTheWindowButSwitchModulationOff)
{
    SettingsRig rig("ClockMod=24\nLogFile=1\nLogInterval=60\nAlarm=1\nAlarm1=80\nIdle1=-2.5\nOnTop=1\n");
    SettingsDialog& window = rig.open();
    const MonitorSettings before = rig.settings();
    rig.click(IDC_DEFAULTS);
    EXPECT_EQ(rig.settings(), before);
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(rig.modulation(n), 8u) << n;
    EXPECT_EQ(window.text(IDC_IDLE1), QStringLiteral("0.0"));
    EXPECT_EQ(window.number(IDC_LOG_SECONDS), 5);
    EXPECT_EQ(window.number(IDC_ALARM_CPU), rig.rig->records->info.tjMaxDetected[0]);
    EXPECT_FALSE(window.isChecked(IDC_LOG_FILE));
    EXPECT_FALSE(window.isChecked(IDC_CLOCK_MODULATION));
    EXPECT_EQ(window.text(IDC_DUTY_TEXT), QStringLiteral("50.0 %"));
    EXPECT_TRUE(window.isEnabled(IDC_APPLY));
}

TEST(SettingsDialog, DefaultsReachTheSettingsWithApplyAndTheFileWithOk)
{
    struct Case {
        int button;
        const char* ini;
        bool fahrenheit;
    };
    const char* before = "LogFile=1\nLogInterval=60\nAlarm=1\nAlarm1=80\n";
    for (const Case& c : {Case{IDC_APPLY, before, false}, Case{dialog::IDOK, before, false},
                          Case{dialog::IDOK, "LogFile=1\nLogInterval=60\nAlarm=1\nAlarm1=80\nFahrenheit=1\n", true}}) {
        SettingsRig rig(c.ini);
        const int detected = rig.rig->records->info.tjMaxDetected[0];
        const int alarm = c.fahrenheit ? celsiusToFahrenheit(detected) : detected; // in the unit shown
        rig.open();
        rig.click(IDC_DEFAULTS);
        rig.click(c.button);
        EXPECT_EQ(rig.settings().Alarm, 0) << c.button;
        EXPECT_EQ(rig.settings().Alarm1, alarm) << c.button;
        EXPECT_EQ(rig.settings().LogInterval, 5) << c.button;
        if (c.button == dialog::IDOK) {
            EXPECT_EQ(rig.key("Alarm"), "0");
            EXPECT_EQ(rig.key("Alarm1"), std::to_string(alarm));
            EXPECT_EQ(rig.key("LogInterval"), "5");
        }
        SettingsDialog& again = rig.open();
        EXPECT_FALSE(again.isChecked(IDC_ALARM));
        EXPECT_EQ(again.number(IDC_ALARM_CPU), alarm);
        EXPECT_EQ(again.number(IDC_LOG_SECONDS), 5);
    }
}

TEST(SettingsDialog, OkSwitchesTurboAsDefaultsLeftTheBox)
{
    SettingsRig rig("", "t9300");
    for (int n = 0; n < rig.cpu().cpuCount(); ++n)
        rig.cpu().poke(n, msr::IA32_MISC_ENABLE,
                       msr::misc_enable::TurboDisengage.set(*rig.cpu().peek(n, msr::IA32_MISC_ENABLE), 1));
    SettingsDialog& window = rig.open();
    ASSERT_TRUE(window.isChecked(IDC_DISABLE_TURBO));
    rig.click(IDC_DEFAULTS);
    rig.click(dialog::IDOK);
    for (int n = 0; n < rig.cpu().cpuCount(); ++n)
        EXPECT_FALSE(msr::misc_enable::TurboDisengage.test(*rig.cpu().peek(n, msr::IA32_MISC_ENABLE))) << n;
}

TEST(SettingsDialog, EverySaveThatFailsIsToldWithTheFileAndWhy)
{
    SettingsRig rig;
    // A symbolic link in place of the settings file is never written through.
    const std::string path = rig.rig->iniPath;
    ASSERT_EQ(std::rename(path.c_str(), (path + ".real").c_str()), 0);
    ASSERT_EQ(::symlink((path + ".real").c_str(), path.c_str()), 0);

    const auto fail = [&](int button) {
        rig.open();
        if (button == IDC_FONTS)
            rig.rig->services.answerFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        testing::internal::CaptureStderr();
        rig.click(button);
        const std::string told = testing::internal::GetCapturedStderr();
        EXPECT_NE(told.find(path + " not saved: it is a symbolic link"), std::string::npos) << told;
    };
    for (int button : {int(dialog::IDOK), int(dialog::IDOK), int(IDC_FONTS)})
        fail(button);
    const auto boxes = rig.rig->services.calls(ServiceKind::MessageBox);
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& box : boxes) {
        EXPECT_TRUE(box.text.startsWith(QStringLiteral("The settings could not be saved."))) << box.text.toStdString();
        EXPECT_TRUE(box.text.contains(QString::fromStdString(path) + QStringLiteral(" not saved: it is a symbolic link")));
        EXPECT_TRUE(box.flags & dialog::MB_ICONERROR);
    }
}

TEST(SettingsDialog, OkAppliesAndSavesEveryKey)
{
    SettingsRig rig("IconShow=1\n");
    SettingsDialog& window = rig.open();
    rig.type(IDC_IDLE1, QStringLiteral("-2.46"));
    rig.click(IDC_LOG_FILE);
    rig.click(IDC_CLOCK_MODULATION);
    rig.rig->services.answerColor(QColor(0x10, 0x20, 0x30));
    rig.click(IDC_NORMAL_HEADING);
    rig.click(dialog::IDOK);
    EXPECT_TRUE(window.ended());
    EXPECT_EQ(rig.key("Idle1"), "-2.5");
    EXPECT_EQ(rig.key("LogFile"), "1");
    EXPECT_EQ(rig.key("ClockMod"), "18"); // on, with the 12.5 % duty of ClockMod=2
    EXPECT_EQ(rig.key("GUINormHead"), "0x302010");
    EXPECT_EQ(rig.key("NormHeading"), "1");
    EXPECT_EQ(rig.key("IconShow"), "1");
    EXPECT_EQ(rig.settings().Idle[1], -25);
}

TEST(SettingsDialog, AlarmProgramIsNeverTheMonitorItself)
{
    struct Case {
        const hw::BuildFlavour& flavour;
        const char* chosen;
        const char* kept;
        const char* message;
    };
    const Case cases[] = {
        {hw::FourCoreBuild, "/opt/ostrel/Ostrel", "", "The alarm can not be set to run a new instance of Ostrel.\n"},
        {hw::SixCoreBuild, "/tmp/OstrelHX.exe", "", "The alarm can not be set to run a new instance of Ostrel.\n\n"},
        {hw::FourCoreBuild, "/usr/bin/notify-alarm", "/usr/bin/notify-alarm", nullptr},
    };
    for (const Case& c : cases) {
        SettingsRig rig("Alarm=1\n", "i7-2600k", c.flavour);
        SettingsDialog& window = rig.open();
        rig.rig->services.answerFile(QString::fromLatin1(c.chosen));
        rig.click(IDC_ALARM_EXE);
        EXPECT_EQ(window.text(IDC_ALARM_FILE), QString::fromLatin1(c.kept)) << c.chosen;
        const auto boxes = rig.rig->services.calls(ServiceKind::MessageBox);
        ASSERT_EQ(boxes.size(), c.message ? 1u : 0u) << c.chosen;
        if (c.message) {
            EXPECT_EQ(boxes[0].text, QString::fromLatin1(c.message));
            EXPECT_TRUE(boxes[0].flags & dialog::MB_ICONSTOP);
        }
        const auto files = rig.rig->services.calls(ServiceKind::File);
        EXPECT_EQ(files.at(0).file.title, QStringLiteral("Open File to Run on Alarm"));
    }
}

TEST(SettingsDialog, SixCoreWindowHasItsOwnCaptionsAndDefaults)
{
    SettingsRig rig("ClockMod=24\n", "i7-980x", hw::SixCoreBuild);
    SettingsDialog& window = rig.open();
    EXPECT_EQ(window.units().toPixelsX(310), window.size().width());
    for (int core = 0; core < 6; ++core)
        EXPECT_TRUE(window.isEnabled(SettingsColumns[core].idle)) << core;
    EXPECT_EQ(window.text(IDC_NORMAL_FILL), QStringLiteral("Background"));
    EXPECT_EQ(window.text(IDC_FAHRENHEIT), QStringLiteral("Fahrenheit"));
    EXPECT_EQ(window.text(IDC_MINIMIZE_ON_CLOSE), QStringLiteral("Minimize On Close"));

    // The font number spin steps FontNumber and the face of the icon font.
    EXPECT_EQ(window.text(IDC_QUALITY_TEXT), QStringLiteral("0"));
    auto* spin = window.widget<dialog::UpDownControl>(IDC_QUALITY_SPIN);
    QTest::mouseClick(spin->upButton(), Qt::LeftButton);
    EXPECT_EQ(rig.settings().FontNumber, 1);
    EXPECT_EQ(window.text(IDC_QUALITY_TEXT), QStringLiteral("1"));
    EXPECT_NE(rig.settings().iconFont.lfFaceName, rig.settings().lfFaceName);

    rig.click(IDC_DEFAULTS);
    EXPECT_EQ(window.text(IDC_DUTY_TEXT), QStringLiteral("12.5 %"));
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(rig.modulation(n), 2u) << n;
}

TEST(SettingsDialog, WindowOpensBesideTheMainWindowWithTheProcessorState)
{
    uitest::FakeWindows windows;
    QRect main, placed;
    bool eistEnabled = true, eistChecked = false, nvidiaEnabled = true, rivaEnabled = true;
    QString apicIds;
    windows.settings = [&](MainDialog& owner) {
        SettingsDialogHooks hooks;
        hooks.screenSize = [] { return QSize(1280, 1024); };
        SettingsDialog window(owner, std::move(hooks));
        main = owner.ownerRect();
        placed = window.frameGeometry();
        eistEnabled = window.isEnabled(IDC_EIST);
        eistChecked = window.isChecked(IDC_EIST);
        nvidiaEnabled = window.isEnabled(IDC_NVIDIA);
        rivaEnabled = window.isEnabled(IDC_RIVATUNER);
        apicIds = window.text(IDC_APIC_ID);
        return false;
    };
    MonitorRig rig("i7-2600k", {40, 40, 40, 40}, "", {.windows = &windows});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    rig.cpu->poke(0, msr::IA32_MISC_ENABLE,
                  msr::misc_enable::SpeedStepLock.set(*rig.cpu->peek(0, msr::IA32_MISC_ENABLE), 1));
    rig.window->move(100, 200);
    rig.window->widget<QPushButton>(IDC_SETTINGS)->click();

    // Right of the main window (more room there), centred on it vertically.
    EXPECT_EQ(placed.left(), main.left() + main.width());
    EXPECT_NEAR(placed.center().y(), main.center().y(), 1);
    EXPECT_FALSE(eistEnabled);
    EXPECT_TRUE(eistChecked);
    // The simulated processor numbers the two threads of a core side by side.
    EXPECT_EQ(apicIds, QStringLiteral("0 1 2 3 4 5 6 7"));
    EXPECT_FALSE(nvidiaEnabled);
    EXPECT_FALSE(rivaEnabled);
}

TEST(SettingsDialog, UnitChangeMakesTheHeadingAndExtremesAfreshAtOnce)
{
    uitest::FakeWindows windows;
    MonitorRig* monitor = nullptr;
    QString headingWhileOpen;
    windows.settings = [&](MainDialog& owner) {
        SettingsDialog window(owner);
        window.widget<QAbstractButton>(IDC_FAHRENHEIT)->click(); // °C to °F
        headingWhileOpen = owner.text(IDC_TEMPERATURE_FRAME);
        monitor->tick(2);
        window.widget<QAbstractButton>(IDC_FAHRENHEIT)->click(); // and back
        window.widget<QAbstractButton>(dialog::IDCANCEL)->click();
        return false;
    };
    MonitorRig rig("i7-2600k", {40, 40, 40, 40}, "", {.windows = &windows});
    monitor = &rig;
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    rig.window->widget<QPushButton>(IDC_SETTINGS)->click();
    rig.tick();
    EXPECT_EQ(headingWhileOpen, QString::fromUtf8("Temperature (\xC2\xB0" "F)"));
    EXPECT_EQ(rig.text(IDC_TEMPERATURE_FRAME), QString::fromUtf8("Temperature (\xC2\xB0" "C)"));
    for (const CoreColumn& column : rig.window->layout().columns)
        for (int id : {column.minimum, column.maximum})
            EXPECT_TRUE(rig.text(id).endsWith(QString::fromUtf8("\xC2\xB0" "C"))) << rig.text(id).toStdString();
}

TEST(SettingsDialog, MainWindowFollowsTheUnitWhateverTheWindowEndedWith)
{
    for (const int result : {dialog::IDOK, dialog::IDCANCEL}) {
        uitest::FakeWindows windows;
        bool buttonDisabledWhileOpen = false;
        windows.settings = [&](MainDialog& owner) {
            SettingsDialog window(owner);
            buttonDisabledWhileOpen = !owner.isEnabled(IDC_SETTINGS);
            window.widget<QAbstractButton>(IDC_FAHRENHEIT)->click();
            window.widget<QAbstractButton>(result)->click();
            return result == dialog::IDOK;
        };
        MonitorRig rig("i7-2600k", {40, 40, 40, 40}, "", {.windows = &windows});
        ASSERT_EQ(rig.start(), StartupOutcome::Running);
        rig.tick();
        rig.window->widget<QPushButton>(IDC_SETTINGS)->click();
        EXPECT_TRUE(buttonDisabledWhileOpen);
        EXPECT_TRUE(rig.window->isEnabled(IDC_SETTINGS));
        EXPECT_EQ(rig.text(IDC_TEMPERATURE_FRAME), QString::fromUtf8("Temperature (\xC2\xB0" "F)")) << result;
    }
}

} // namespace

namespace {

// The many-core build's window on 32 cores: the calibration and icon boxes of
// every core, taken by OK and saved as the keys of that core.
TEST(ManyCoreSettingsDialog, EveryCoreHasItsCalibrationAndIconBoxes)
{
    SettingsRig rig("IconCores=0\n", "xeon-4514y-2s", hw::ManyCoreBuild);
    SettingsDialog& window = rig.open();
    std::vector<std::string> labels;
    for (int core = 0; core < 32; ++core)
        labels.push_back(std::to_string(core));
    const SettingsColumn& last = settingsTemplateManyCore(labels).columns.at(31);
    EXPECT_EQ(window.text(last.tjMax), "90");
    EXPECT_TRUE(window.isEnabled(last.idle));

    rig.type(last.idle, QStringLiteral("-1.5"));
    window.setChecked(IDC_SET_TJMAX, true);
    rig.click(IDC_SET_TJMAX);
    rig.click(IDC_SET_TJMAX);
    rig.type(last.tjMax, QStringLiteral("95"));
    rig.click(last.showIcon);
    EXPECT_TRUE(window.isChecked(last.showIcon));
    EXPECT_EQ(rig.settings().IconCores, uint64_t{1} << 31);
    rig.click(dialog::IDOK);

    EXPECT_EQ(rig.settings().Idle[31], -15);
    EXPECT_EQ(rig.settings().TjMax[31], 95);
    EXPECT_EQ(rig.key("Idle31"), "-1.5");
    EXPECT_EQ(rig.key("TjMax31"), "95");
    EXPECT_EQ(rig.key("IconCores"), "0x80000000");
}

} // namespace
