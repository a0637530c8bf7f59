// The main window on simulated processors: what the columns and headings
// show after ticks, the information view, Reset, the close rules, the keys,
// and the start-up failures.

#include "tests/monitor/ui/FakeIcons.h"
#include "tests/monitor/ui/FakeWindows.h"
#include "tests/monitor/ui/MonitorRig.h"

#include "dialog/StandardIds.h"
#include "monitor/ui/main/MainDialogTemplate.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <fstream>
#include <optional>

namespace {

using namespace monitor;
using uitest::MonitorRig;

const QString Celsius = QString::fromUtf8("\xC2\xB0" "C");
const QString Fahrenheit = QString::fromUtf8("\xC2\xB0" "F");

bool isClockTime(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    return pattern.match(text).hasMatch();
}

// Every control of one core column.
std::vector<int> columnIds(int slot)
{
    const CoreColumn& c = CoreColumns[slot];
    return {c.temperature, c.distance, c.minimum, c.minimumTime, c.maximum, c.maximumTime, c.status};
}

void expectColumn(const MonitorRig& rig, int slot, const QString& temperature, const QString& distance,
                  const QString& unit)
{
    const CoreColumn& c = CoreColumns[slot];
    SCOPED_TRACE("column " + std::to_string(slot));
    EXPECT_EQ(rig.text(c.temperature), temperature);
    EXPECT_EQ(rig.text(c.distance), distance);
    EXPECT_EQ(rig.text(c.status), QStringLiteral("OK"));
    EXPECT_TRUE(rig.text(c.minimum).endsWith(unit)) << rig.text(c.minimum).toStdString();
    EXPECT_TRUE(rig.text(c.maximum).endsWith(unit)) << rig.text(c.maximum).toStdString();
    EXPECT_TRUE(isClockTime(rig.text(c.minimumTime))) << rig.text(c.minimumTime).toStdString();
    EXPECT_TRUE(isClockTime(rig.text(c.maximumTime))) << rig.text(c.maximumTime).toStdString();
}

TEST(MainDialogColumns, FourCoresShowTemperatureDistanceAndExtremes)
{
    MonitorRig rig("i7-2600k", {40, 35, 30, 25});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick(2);
    ASSERT_EQ(rig.tjMax(0), 98);
    expectColumn(rig, 0, "58", "40", Celsius);
    expectColumn(rig, 1, "63", "35", Celsius);
    expectColumn(rig, 2, "68", "30", Celsius);
    expectColumn(rig, 3, "73", "25", Celsius);
    EXPECT_EQ(rig.text(IDC_MIN0), "58" + Celsius);
    EXPECT_EQ(rig.text(IDC_MAX3), "73" + Celsius);
    EXPECT_EQ(rig.text(IDC_CPU_NAME), "Core i7-2600K");

    // Core 0 warms up, core 1 cools down: only the matching extreme moves.
    rig.cpu->pinReadout(0, 30);
    rig.cpu->pinReadout(1, 45);
    rig.tick();
    EXPECT_EQ(rig.text(IDC_TEMPERATURE0), "68");
    EXPECT_EQ(rig.text(IDC_DISTANCE0), "30");
    EXPECT_EQ(rig.text(IDC_MIN0), "58" + Celsius);
    EXPECT_EQ(rig.text(IDC_MAX0), "68" + Celsius);
    EXPECT_EQ(rig.text(IDC_TEMPERATURE1), "53");
    EXPECT_EQ(rig.text(IDC_MIN1), "53" + Celsius);
    EXPECT_EQ(rig.text(IDC_MAX1), "63" + Celsius);
}

TEST(MainDialogColumns, DualCoreLeavesTheLastTwoColumnsEmpty)
{
    MonitorRig rig("e8400", {50, 45});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick(2);
    expectColumn(rig, 0, "50", "50", Celsius);
    expectColumn(rig, 1, "55", "45", Celsius);
    for (int slot : {2, 3})
        for (int id : columnIds(slot))
            EXPECT_EQ(rig.text(id), QString()) << "control " << id;
}

TEST(MainDialogColumns, FahrenheitConvertsEveryTemperatureButNotTheDistance)
{
    MonitorRig rig("i7-2600k", {40, 10, 30, 25}, "Fahrenheit=1\n");
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    // 58 °C = 136 °F, 88 °C = 190 °F, 68 °C = 154 °F, 73 °C = 163 °F
    expectColumn(rig, 0, "136", "40", Fahrenheit);
    expectColumn(rig, 1, "190", "10", Fahrenheit);
    expectColumn(rig, 2, "154", "30", Fahrenheit);
    EXPECT_EQ(rig.text(IDC_MIN1), "190" + Fahrenheit);
    EXPECT_EQ(rig.text(IDC_MAX3), "163" + Fahrenheit);
    EXPECT_EQ(rig.text(IDC_TEMPERATURE_FRAME), "Temperature (" + Fahrenheit + ")");
}

struct HeadingCase {
    const char* profile;
    const char* ini;
    const char* heading; // after "Temperature ("
    const char* firstColumn;
    const char* thirdColumn;
};

class TemperatureHeading : public ::testing::TestWithParam<HeadingCase> {};

TEST_P(TemperatureHeading, FollowsSkullAndShowsTheSelectedPackage)
{
    const HeadingCase& c = GetParam();
    // The two-package Xeon: cores 0-3 in package 0, 4-7 in package 1.
    MonitorRig rig(c.profile, {40, 41, 42, 43, 20, 21, 22, 23}, c.ini);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    EXPECT_EQ(rig.text(IDC_TEMPERATURE_FRAME), "Temperature (" + Celsius + QString::fromUtf8(c.heading));
    EXPECT_EQ(rig.text(IDC_TEMPERATURE0), c.firstColumn);
    EXPECT_EQ(rig.text(IDC_TEMPERATURE2), c.thirdColumn);
}

INSTANTIATE_TEST_SUITE_P(
    Skull, TemperatureHeading,
    ::testing::Values(HeadingCase{"i7-2600k", "", ")", "58", "56"},
                      HeadingCase{"xeon-x5570-2s", "Skull=0\n", ")", "55", "53"},
                      HeadingCase{"xeon-x5570-2s", "Skull=2\n", ") - CPU 2", "75", "73"},
                      HeadingCase{"xeon-x5570-2s", "Skull=3\n", ")", "55", "73"}));

struct ModulationCase {
    int clockMod;
    const char* heading;
};

class ThermalStatusHeading : public ::testing::TestWithParam<ModulationCase> {};

TEST_P(ThermalStatusHeading, ShowsTheClockModulationDuty)
{
    MonitorRig rig("i7-2600k", {40, 40, 40, 40}, "ClockMod=" + std::to_string(GetParam().clockMod) + "\n");
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    EXPECT_EQ(rig.text(IDC_STATUS_FRAME), GetParam().heading);
}

INSTANTIATE_TEST_SUITE_P(ClockMod, ThermalStatusHeading,
                         ::testing::Values(ModulationCase{24, "Clock Modulation  50.0%"},
                                           ModulationCase{18, "Clock Modulation  12.5%"},
                                           ModulationCase{30, "Clock Modulation  87.5%"},
                                           ModulationCase{16, "Clock Modulation  50.0%"},
                                           ModulationCase{8, "Thermal Status"},
                                           ModulationCase{0, "Thermal Status"},
                                           ModulationCase{31, "Thermal Status"}));

struct InfoViewCase {
    const char* profile;
    int shownControl;
    int hiddenControl;
    std::vector<int> viewsAfterClicks; // InfoWindowIndex after each click
};

class InformationView : public ::testing::TestWithParam<InfoViewCase> {};

TEST_P(InformationView, CyclesThroughTheViewsOfTheProcessorClass)
{
    const InfoViewCase& c = GetParam();
    MonitorRig rig(c.profile, {40, 40, 40, 40}, "InfoWindowIndex=0\n");
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    EXPECT_TRUE(rig.window->isVisible(c.shownControl));
    EXPECT_FALSE(rig.window->isVisible(c.hiddenControl));
    static const QRegularExpression runTimer(QStringLiteral("^\\d+:\\d\\d:\\d\\d$"));
    EXPECT_TRUE(runTimer.match(rig.text(c.shownControl)).hasMatch()) << rig.text(c.shownControl).toStdString();

    auto* button = rig.window->widget<QPushButton>(IDC_INFO_BUTTON);
    for (int expected : c.viewsAfterClicks) {
        button->click();
        EXPECT_EQ(rig.settings().InfoWindowIndex, expected);
        const QString shown = rig.text(IDC_INFO_BUTTON);
        if (expected == 1)
            EXPECT_TRUE(shown.endsWith(QLatin1String(" VID"))) << shown.toStdString();
        else if (expected == 2)
            EXPECT_TRUE(shown.endsWith(QLatin1String(" W"))) << shown.toStdString();
        else
            EXPECT_TRUE(runTimer.match(shown).hasMatch()) << shown.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    ProcessorClass, InformationView,
    ::testing::Values(InfoViewCase{"i7-2600k", IDC_INFO_BUTTON, IDC_INFO_TEXT, {1, 2, 0, 1}},
                      InfoViewCase{"e8400", IDC_INFO_BUTTON, IDC_INFO_TEXT, {1, 0, 1}},
                      InfoViewCase{"i7-920", IDC_INFO_TEXT, IDC_INFO_BUTTON, {}}));

TEST(MainDialogReset, EmptiesTheExtremesUntilTheNextTick)
{
    MonitorRig rig("i7-2600k", {40, 35, 30, 25});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick(3);
    rig.cpu->pinReadout(0, 20);
    rig.tick();
    EXPECT_EQ(rig.text(IDC_MAX0), "78" + Celsius);

    rig.cpu->pinReadout(0, 45);
    rig.window->widget<QPushButton>(IDC_RESET)->click();
    for (int slot = 0; slot < 4; ++slot) {
        const CoreColumn& c = CoreColumns[slot];
        for (int id : {c.minimum, c.minimumTime, c.maximum, c.maximumTime})
            EXPECT_EQ(rig.text(id), QString()) << "control " << id;
        EXPECT_FALSE(rig.text(c.temperature).isEmpty());
    }
    EXPECT_EQ(rig.records->cycle->samples().tickCount, 0);

    rig.tick();
    EXPECT_EQ(rig.text(IDC_MIN0), "53" + Celsius);
    EXPECT_EQ(rig.text(IDC_MAX0), "53" + Celsius);
}

TEST(MainDialogReset, WhileCaptionedCancelItStopsTheBenchmarkInstead)
{
    MonitorRig rig("i7-2600k", {40, 35, 30, 25});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick(2);
    rig.window->setText(IDC_RESET, QStringLiteral("Cancel"));
    rig.window->widget<QPushButton>(IDC_RESET)->click();
    EXPECT_TRUE(rig.window->stopRequested());
    EXPECT_EQ(rig.records->cycle->samples().tickCount, 2) << "no Reset while the benchmark owns the button";
}

TEST(MainDialogFirstTick, DropsTheSixCoreGpuIconBitWithoutAGpu)
{
    MonitorRig rig("i7-2600k", {40, 35, 30, 25}, "IconShow=271\n");
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    EXPECT_EQ(rig.settings().IconShow & 0x100, 0);
    EXPECT_EQ(rig.settings().IconShow & 0xF, 0xF);
}

enum class CloseAction { CloseBox, AltF4, Escape };

struct CloseCase {
    bool minimizeOnClose;
    CloseAction action;
    bool ends;
};

class Closing : public ::testing::TestWithParam<CloseCase> {};

TEST_P(Closing, MinimizeOnCloseKeepsOnlyTheCloseBoxFromEndingTheProgram)
{
    const CloseCase& c = GetParam();
    MonitorRig rig("i7-2600k", {40, 40, 40, 40}, c.minimizeOnClose ? "MinimizeOnClose=1\n" : "");
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.window->show();
    rig.tick();
    ASSERT_TRUE(rig.window->isVisible());

    switch (c.action) {
    case CloseAction::CloseBox: rig.window->close(); break;
    case CloseAction::AltF4: QTest::keyClick(rig.window->control(IDC_TEMPERATURE0), Qt::Key_F4, Qt::AltModifier); break;
    case CloseAction::Escape: QTest::keyClick(rig.window.get(), Qt::Key_Escape); break;
    }

    EXPECT_EQ(rig.window->stopRequested(), c.ends);
    if (c.ends) {
        EXPECT_FALSE(rig.window->isVisible());
        EXPECT_EQ(rig.window->result(), dialog::IDCANCEL);
    } else {
        EXPECT_TRUE(rig.window->isMinimized());
    }
    if (c.action == CloseAction::AltF4) {
        EXPECT_FALSE(rig.settings().MinimizeOnClose);
    }
}

INSTANTIATE_TEST_SUITE_P(CloseBoxAltF4Escape, Closing,
                         ::testing::Values(CloseCase{true, CloseAction::CloseBox, false},
                                           CloseCase{true, CloseAction::AltF4, true},
                                           CloseCase{true, CloseAction::Escape, true},
                                           CloseCase{false, CloseAction::CloseBox, true},
                                           CloseCase{false, CloseAction::AltF4, true}));

TEST(MainDialogKeys, EnterDoesNothing)
{
    MonitorRig rig("i7-2600k", {40, 40, 40, 40});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.window->show();
    rig.tick(2);
    const QString minimum = rig.text(IDC_MIN0);
    for (int focus : {int(IDC_TEMPERATURE0), int(IDC_CPU_NAME), int(IDC_STATUS3)}) {
        rig.window->setFocus(focus);
        QTest::keyClick(rig.window->control(focus), Qt::Key_Return);
        QTest::keyClick(rig.window->control(focus), Qt::Key_Enter, Qt::KeypadModifier);
    }
    QTest::keyClick(rig.window.get(), Qt::Key_Return);
    EXPECT_FALSE(rig.window->stopRequested());
    EXPECT_TRUE(rig.window->isVisible());
    EXPECT_EQ(rig.text(IDC_MIN0), minimum); // Reset was not pressed either
    EXPECT_TRUE(rig.services.calls().empty());
}

TEST(MainDialogButtons, ButtonsWithoutTheirWindowsAreDisabled)
{
    MonitorRig rig("i7-2600k", {40, 40, 40, 40});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    EXPECT_FALSE(rig.window->isEnabled(IDC_SENSOR_TEST));
    EXPECT_FALSE(rig.window->isEnabled(IDC_BENCH));
    EXPECT_FALSE(rig.window->isEnabled(IDC_SETTINGS));
    EXPECT_TRUE(rig.window->isEnabled(IDC_RESET));
    // No graphics sensor: the signature instead of the GPU button.
    EXPECT_FALSE(rig.window->isVisible(IDC_GPU_BUTTON));
    EXPECT_TRUE(rig.window->isVisible(IDC_SIGNATURE));
    EXPECT_EQ(rig.text(IDC_SIGNATURE), "206A7");
}

TEST(MainDialogButtons, SettingsChangingTheUnitRenamesTheHeadingAndResets)
{
    bool answerOk = true;
    bool changeUnit = false;
    uitest::FakeWindows windows;
    windows.settings = [&](MainDialog& window) {
        EXPECT_FALSE(window.isEnabled(IDC_SETTINGS)); // disabled while its window is open
        if (changeUnit) {
            window.settings().Fahrenheit = !window.settings().Fahrenheit;
            window.settings().unitText = window.settings().Fahrenheit ? "\xC2\xB0" "F" : "\xC2\xB0" "C";
        }
        return answerOk;
    };
    MonitorRig rig("xeon-x5570-2s", {40, 40, 40, 40, 40, 40, 40, 40}, "Skull=2\n", {.windows = &windows});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick(2);
    ASSERT_FALSE(rig.text(IDC_MIN0).isEmpty());

    // OK without a new unit: the heading and the extremes stay.
    rig.window->widget<QPushButton>(IDC_SETTINGS)->click();
    EXPECT_EQ(rig.text(IDC_TEMPERATURE_FRAME), "Temperature (" + Celsius + ") - CPU 2");
    EXPECT_FALSE(rig.text(IDC_MIN0).isEmpty());

    // The unit box acts at once, so even Cancel leaves a new unit behind,
    // and the heading and the extremes follow it. The package is the one
    // read at start-up, whatever the file says by now.
    std::ofstream(rig.iniPath) << "[Ostrel]\nSkull=0\n";
    for (const bool ok : {true, false}) {
        answerOk = ok;
        changeUnit = true;
        rig.tick();
        ASSERT_FALSE(rig.text(IDC_MIN0).isEmpty());
        rig.window->widget<QPushButton>(IDC_SETTINGS)->click();
        EXPECT_TRUE(rig.window->isEnabled(IDC_SETTINGS));
        const QString unit = rig.settings().Fahrenheit ? Fahrenheit : Celsius;
        EXPECT_EQ(rig.text(IDC_TEMPERATURE_FRAME), "Temperature (" + unit + ") - CPU 2") << ok;
        EXPECT_EQ(rig.text(IDC_MIN0), QString()) << ok;
        rig.tick();
        EXPECT_TRUE(rig.text(IDC_MIN0).endsWith(unit)) << ok;
    }
    EXPECT_EQ(windows.settingsRuns, 3);
}

TEST(MainDialogWindow, MinimisedWindowShowsTheTemperaturesAsItsCaption)
{
    MonitorRig rig("i7-2600k", {40, 35, 30, 25});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.window->show();
    rig.tick();
    EXPECT_EQ(rig.window->caption(), "Ostrel 3.69.1");
    ASSERT_TRUE(rig.window->lastFullRect().has_value());

    rig.window->showMinimized();
    rig.tick();
    EXPECT_EQ(rig.window->caption(), "58" + Celsius + " 63" + Celsius + " 68" + Celsius + " 73" + Celsius);
    EXPECT_FALSE(rig.window->windowRestored());

    rig.window->restoreWindow();
    EXPECT_EQ(rig.window->caption(), "Ostrel 3.69.1");
    EXPECT_TRUE(rig.window->windowRestored());
}

TEST(MainDialogWindow, ShutdownStateCarriesTheLastFullRectangle)
{
    MonitorRig hidden("i7-2600k", {40, 40, 40, 40});
    ASSERT_EQ(hidden.start(), StartupOutcome::Running);
    hidden.tick();
    EXPECT_FALSE(hidden.window->finishForShutdown().windowTopLeft.has_value());

    MonitorRig shown("i7-2600k", {40, 40, 40, 40});
    ASSERT_EQ(shown.start(), StartupOutcome::Running);
    shown.window->show();
    shown.window->move(120, 80);
    shown.tick();
    const ExitState exit = shown.window->finishForShutdown();
    ASSERT_TRUE(exit.windowTopLeft.has_value());
    EXPECT_EQ(exit.windowTopLeft->x, shown.window->frameGeometry().left());
    EXPECT_EQ(exit.windowTopLeft->y, shown.window->frameGeometry().top());
    EXPECT_FALSE(shown.window->timerActive(MainDialog::SamplingTimer));
}

struct StartMinimizedCase {
    const char* ini;
    bool notificationArea;
    bool allowShow;
};

class StartMinimized : public ::testing::TestWithParam<StartMinimizedCase> {};

TEST_P(StartMinimized, HidesTheWindowOnlyWhereANotificationAreaCanHoldIt)
{
    const StartMinimizedCase& c = GetParam();
    uitest::FakeIcons icons(c.notificationArea);
    MonitorRig rig("i7-2600k", {40, 40, 40, 40}, c.ini, {.icons = &icons});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    EXPECT_EQ(rig.window->allowShow(), c.allowShow);
    rig.window->show();
    EXPECT_EQ(rig.window->isVisible(), c.allowShow);
    rig.tick();
    if (rig.settings().StartMinimized != 0) {
        EXPECT_TRUE(rig.window->isMinimized());
    }
    // Without notification-area icons the window keeps its task-bar button,
    // and so it must be reachable: shown, minimised or not.
    EXPECT_EQ(rig.settings().TaskBar, 1);
    EXPECT_TRUE(rig.window->allowShow());
    EXPECT_TRUE(rig.window->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    TaskBarAndNotificationArea, StartMinimized,
    ::testing::Values(StartMinimizedCase{"StartMinimized=1\n", true, false},
                      StartMinimizedCase{"StartMinimized=1\n", false, true},
                      StartMinimizedCase{"StartMinimized=1\nTaskBar=1\n", true, true},
                      StartMinimizedCase{"StartMinimized=1\nMiniMode=1\n", true, true},
                      StartMinimizedCase{"StartMinimized=0\n", true, true}));

struct StartupFailureCase {
    std::optional<int> driverStatus;
    bool capabilityFails;
    bool unsupported;
    StartupOutcome outcome;
    const char* caption;
    const char* text; // the message's beginning
};

class StartupFailure : public ::testing::TestWithParam<StartupFailureCase> {};

TEST_P(StartupFailure, IsReportedThroughTheMessageBoxAndStartsNoTimer)
{
    const StartupFailureCase& c = GetParam();
    MonitorRig rig("i7-2600k", {40, 40, 40, 40}, "ClockMod=24\n");
    rig.faults->driverStatus = c.driverStatus;
    rig.faults->capabilityFails = c.capabilityFails;
    rig.faults->unsupported = c.unsupported;
    rig.cpu->clearWrites();

    EXPECT_EQ(rig.start(), c.outcome);
    const auto boxes = rig.services.calls(dialog::ServiceKind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, c.caption);
    EXPECT_TRUE(boxes[0].text.startsWith(QString::fromUtf8(c.text))) << boxes[0].text.toStdString();
    EXPECT_FALSE(rig.window->timerActive(MainDialog::SamplingTimer));
    EXPECT_FALSE(rig.records->running());
    // Nothing was written to the processor: no clock modulation, no limits.
    for (const sim::WriteRecord& write : rig.cpu->writes())
        EXPECT_NE(write.index, 0x19Au);
}

INSTANTIATE_TEST_SUITE_P(
    DriverAndProcessor, StartupFailure,
    ::testing::Values(
        StartupFailureCase{2, false, false, StartupOutcome::DriverError, "Driver Error",
                           "Driver Not Loaded\nTry Run as Administrator."},
        StartupFailureCase{3, false, false, StartupOutcome::DriverError, "Driver Error", "Driver Not Found"},
        StartupFailureCase{9, false, false, StartupOutcome::DriverError, "Driver Error", "Unknown Error"},
        StartupFailureCase{std::nullopt, true, false, StartupOutcome::DriverError, "Driver Error", "No Error"},
        StartupFailureCase{std::nullopt, false, true, StartupOutcome::UnsupportedProcessor, "Error",
                           "The processor detected is not supported.\n\n\n"}));

} // namespace

namespace {

using namespace monitor;
using uitest::MonitorRig;

TEST(MainDialogColours, CustomBackgroundTextAndHeadingColours)
{
    // Colours are kept as 0x00BBGGRR.
    MonitorRig rig("i7-2600k", {40, 40, 40, 40},
                   "CustomGUI=1\nGUIColor=0x0000FF\nGUIText=0xFF0000\nNormHeading=1\nGUINormHead=0x00FF00\n");
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    EXPECT_EQ(rig.window->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(rig.window->control(IDC_MIN0)->palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(rig.window->control(IDC_MIN0)->palette().color(QPalette::Text), QColor(0, 0, 255));
    for (int frame : HeadingFrames)
        EXPECT_EQ(rig.window->control(frame)->palette().color(QPalette::WindowText), QColor(0, 255, 0)) << frame;
    // The frame of the information rows keeps the text colour.
    EXPECT_EQ(rig.window->control(IDC_INFO_FRAME)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

TEST(MainDialogColours, ThermalStatusTurnsRedWhileTheCoreIsHot)
{
    MonitorRig rig("i7-2600k", {40, 40, 40, 40});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.tick();
    const QColor normal = rig.window->control(IDC_STATUS1)->palette().color(QPalette::Text);
    rig.cpu->pinReadout(1, 0); // at TjMax: thermal status and log set
    rig.tick();
    ASSERT_EQ(rig.text(IDC_STATUS1), QStringLiteral("HOT"));
    EXPECT_EQ(rig.window->control(IDC_STATUS1)->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(rig.window->control(IDC_STATUS0)->palette().color(QPalette::Text), normal);
}

TEST(MainDialogWindow, OnTopIsAppliedByTheFirstCycleOfAShownWindow)
{
    MonitorRig rig("i7-2600k", {40, 40, 40, 40}, "OnTop=1\n");
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.window->show();
    EXPECT_FALSE(rig.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    rig.tick();
    EXPECT_TRUE(rig.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(rig.window->isVisible());
    rig.settings().OnTop = 0;
    rig.tick();
    EXPECT_FALSE(rig.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(rig.window->isVisible());
}

} // namespace
