// The turbo monitor's window on a simulated i7-2600K with a manual clock,
// under the offscreen platform. The notification area does not exist there,
// so the icon is a recording stand-in; the tip text itself is what the real
// icon would get.
#include "FakeTurboProcessor.h"
#include "dialog/MessageBoxStyle.h"
#include "dialog/QtTrayIcon.h"
#include "dialog/ScriptedDialogServices.h"
#include "dialog/StandardIds.h"
#include "registers/MsrIndex.h"
#include "sim/SimulatedProcessor.h"
#include "turbo/window/TurboMonitorDialog.h"
#include "turbo/window/TurboMonitorRun.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace turbo {
namespace {

namespace fs = std::filesystem;
namespace misc = msr::misc_enable;

class RecordingTray : public TrayIcon {
public:
    bool available = true;
    bool shown = false;
    QString tip;
    int adds = 0;
    int removes = 0;

    bool add(const QIcon&, const QString& text) override
    {
        if (!available || shown)
            return false;
        shown = true;
        tip = text;
        ++adds;
        return true;
    }
    bool modify(const QIcon&, const QString& text) override
    {
        if (!shown)
            return false;
        tip = text;
        return true;
    }
    bool remove() override
    {
        if (!shown)
            return false;
        shown = false;
        ++removes;
        return true;
    }
    void send(TrayEvent event) { deliver(event); }
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class TurboMonitorDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("sparvel_window_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        sim::Options simOptions;
        simOptions.loadMode = sim::LoadMode::Fixed;
        simOptions.fixedLoadPercent = 100;
        clock = std::make_shared<sim::ManualClock>();
        processor = sim::createSimulatedProcessor("i7-2600k", simOptions, clock).processor;
        ASSERT_TRUE(processor);
    }
    void TearDown() override
    {
        window.reset();
        fs::remove_all(dir);
    }

    void open(platform::Processor* on = nullptr)
    {
        auto recording = std::make_unique<RecordingTray>();
        tray = recording.get();
        TurboMonitorOptions options;
        options.settingsPath = (dir / "Sparvel.ini").string();
        options.logDirectory = dir.string();
        options.services = &services;
        options.tray = std::move(recording);
        window = std::make_unique<TurboMonitorDialog>(on ? *on : *processor, std::move(options));
    }

    void openShownAndActive()
    {
        open();
        ASSERT_TRUE(window->start());
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void tick(double seconds = 1.0)
    {
        clock->advanceSeconds(seconds);
        window->tick();
    }

    QString text(int id) const { return window->text(id); }

    void typeInto(int id, const QString& typed)
    {
        window->setFocus(id);
        auto* edit = window->widget<QLineEdit>(id);
        edit->selectAll();
        QTest::keyClicks(edit, typed);
    }

    fs::path dir;
    std::shared_ptr<sim::ManualClock> clock;
    std::unique_ptr<sim::SimulatedProcessor> processor;
    dialog::ScriptedDialogServices services;
    RecordingTray* tray = nullptr;
    std::unique_ptr<TurboMonitorDialog> window;
};

TEST_F(TurboMonitorDialogTest, StartUpFillsTheWindow)
{
    open();
    ASSERT_TRUE(window->start());
    EXPECT_EQ(window->caption(), "Sparvel 1.30");
    EXPECT_EQ(text(IdNameLine), "Intel Core i7-2600K  -  CPUID 0x206A7");
    EXPECT_EQ(text(IdAverageC0), "Cores 4  Threads 8");
    EXPECT_EQ(text(IdLoadFilter), "90%");
    EXPECT_EQ(text(IdSigma), QString::fromUtf8("\u03C3"));
    EXPECT_FALSE(window->isEnabled(IdNote));
    EXPECT_FALSE(window->isEnabled(IdAddNote));
    EXPECT_FALSE(window->isChecked(IdLog));
    EXPECT_TRUE(window->isEnabled(IdEist));
    EXPECT_TRUE(window->timerActive(TurboMonitorDialog::kTickTimer));
    // The C-state setting read at start is written back to every CPU.
    EXPECT_EQ(window->isChecked(IdCStates), window->cStatesApplied());
    int powerCtlWrites = 0;
    for (const auto& write : processor->writes())
        powerCtlWrites += write.index == msr::MSR_POWER_CTL;
    EXPECT_EQ(powerCtlWrites, 8);
}

TEST_F(TurboMonitorDialogTest, TickShowsEveryFigure)
{
    open();
    ASSERT_TRUE(window->start());
    tick();
    double ratio = static_cast<double>(
        msr::perf_status::OperatingRatio.get(*processor->peek(0, msr::IA32_PERF_STATUS)));
    EXPECT_EQ(text(IdAverage), QString::asprintf("%.3f", ratio));
    EXPECT_EQ(text(IdPeak), QString::asprintf("%.3f", ratio));
    EXPECT_EQ(text(IdStdDev), "0.000");
    EXPECT_EQ(text(IdAverageC0), "Average C0 State = 100.00%");
    EXPECT_EQ(text(IdMinimum), QString::asprintf("%.3f", ratio));
    EXPECT_EQ(text(IdMaximum), QString::asprintf("%.3f", ratio));
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(text(kMultiplierBoxes[s]), QString::asprintf("%.3f", ratio)) << s;
        EXPECT_EQ(text(kC0Boxes[s]), "100.00") << s;
    }
    for (int s = 8; s < kSlotCount; ++s) {
        EXPECT_EQ(text(kMultiplierBoxes[s]), "") << s;
        EXPECT_EQ(text(kC0Boxes[s]), "") << s;
    }

    window->widget<QAbstractButton>(IdResetMinMax)->click();
    EXPECT_EQ(text(IdMinimum), "");
    EXPECT_EQ(text(IdMaximum), "");
    EXPECT_EQ(window->sampler()->range().minimum(), 100.0);
}

TEST_F(TurboMonitorDialogTest, LoadFilterEntry)
{
    openShownAndActive();
    struct Case {
        const char* typed;
        const char* shown;
        bool resets;
    };
    const Case cases[] = {
        {"150", "99%", true},
        {"150", "99%", false}, // the same value again: minimum and maximum stay
        {"99", "99%", false},
        {"-5", "0%", true},
        {"abc", "0%", false},
        {"75%", "75%", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        tick(); // fills minimum and maximum at full load
        ASSERT_NE(window->sampler()->range().maximum(), 0.0);
        typeInto(IdLoadFilter, c.typed);
        QTest::keyClick(window->control(IdLoadFilter), Qt::Key_Return);
        EXPECT_EQ(text(IdLoadFilter), c.shown);
        EXPECT_EQ(window->focusedId(), IdResetMinMax);
        EXPECT_EQ(window->sampler()->range().maximum() == 0.0, c.resets);
        EXPECT_EQ(text(IdMaximum).isEmpty(), c.resets);
    }
}

TEST_F(TurboMonitorDialogTest, LoadFilterCheckedWhenLeavingTheField)
{
    openShownAndActive();
    typeInto(IdLoadFilter, "42");
    window->setFocus(IdAbout);
    EXPECT_EQ(text(IdLoadFilter), "42%");
    EXPECT_EQ(window->sampler()->range().loadFilter(), 42);
}

TEST_F(TurboMonitorDialogTest, NotesAreAddedByEnterAndByTheButton)
{
    openShownAndActive();
    window->widget<QAbstractButton>(IdLog)->click();
    EXPECT_EQ(window->logState(), LogState::On);
    EXPECT_TRUE(window->isEnabled(IdNote));
    EXPECT_EQ(window->focusedId(), IdNote);

    QTest::keyClicks(window->control(IdNote), "raised voltage");
    QTest::keyClick(window->control(IdNote), Qt::Key_Return);
    EXPECT_EQ(window->log().pendingNote(), "raised voltage");
    EXPECT_EQ(text(IdNote), "");
    EXPECT_EQ(window->focusedId(), IdNote);

    QTest::keyClicks(window->control(IdNote), " again");
    window->widget<QAbstractButton>(IdAddNote)->click();
    EXPECT_EQ(window->log().pendingNote(), "raised voltage again");
    tick();
    EXPECT_NE(window->log().buffer().find(" raised_voltage_again\n"), std::string::npos);

    window->widget<QAbstractButton>(IdLog)->click();
    EXPECT_FALSE(window->isEnabled(IdNote));
    EXPECT_FALSE(window->isEnabled(IdAddNote));
}

TEST_F(TurboMonitorDialogTest, LogReachesTheFileAtTheFullMinute)
{
    open();
    ASSERT_TRUE(window->start());
    window->widget<QAbstractButton>(IdLog)->click();
    window->widget<QAbstractButton>(IdExcel)->click();
    fs::path file = dir / "SparvelLog.csv";
    std::tm now = processor->localTime();
    int toMinute = 60 - now.tm_sec;
    for (int s = 1; s < toMinute; ++s)
        tick();
    EXPECT_FALSE(fs::exists(file));
    tick();
    std::string written = readFile(file);
    EXPECT_EQ(written.rfind("DATE,TIME,PEAK,C_MULTI,STD_DEV,LOAD%,NOTES\r\n", 0), 0u);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), toMinute + 1);
    EXPECT_TRUE(window->log().buffer().empty());

    // Shutdown writes the lines since.
    tick();
    tick();
    window->shutdown();
    written = readFile(file);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), toMinute + 3);
}

TEST_F(TurboMonitorDialogTest, SwitchesShowWhatTheProcessorHolds)
{
    open();
    ASSERT_TRUE(window->start());
    window->widget<QAbstractButton>(IdTurboDisable)->click();
    EXPECT_TRUE(window->isChecked(IdTurboDisable));
    for (int cpu = 0; cpu < 8; ++cpu)
        EXPECT_TRUE(misc::TurboDisengage.test(*processor->peek(cpu, msr::IA32_MISC_ENABLE))) << cpu;
    tick();
    tick();
    EXPECT_EQ(text(IdAverage), "34.000");

    bool cStates = window->isChecked(IdCStates);
    window->widget<QAbstractButton>(IdCStates)->click();
    EXPECT_EQ(window->cStatesApplied(), !cStates);
    for (int cpu = 0; cpu < 8; ++cpu)
        EXPECT_EQ(msr::power_ctl::C1eEnable.test(*processor->peek(cpu, msr::MSR_POWER_CTL)), !cStates) << cpu;

    bool eist = window->isChecked(IdEist);
    window->widget<QAbstractButton>(IdEist)->click();
    EXPECT_EQ(window->isChecked(IdEist), !eist);
    EXPECT_EQ(window->eistApplied(), !eist);
    EXPECT_EQ(misc::EnhancedSpeedStep.test(*processor->peek(3, msr::IA32_MISC_ENABLE)), !eist);
}

TEST_F(TurboMonitorDialogTest, SpeedStepLockedAtStartDisablesTheBox)
{
    uint64_t value = *processor->peek(0, msr::IA32_MISC_ENABLE);
    for (int cpu = 0; cpu < 8; ++cpu)
        processor->poke(cpu, msr::IA32_MISC_ENABLE, misc::SpeedStepLock.set(value, 1));
    open();
    ASSERT_TRUE(window->start());
    EXPECT_FALSE(window->isEnabled(IdEist));
    EXPECT_EQ(window->isChecked(IdEist), misc::EnhancedSpeedStep.test(value));
}

TEST_F(TurboMonitorDialogTest, SpeedStepLockedLaterDisablesTheBoxOnTheFirstClick)
{
    open();
    ASSERT_TRUE(window->start());
    ASSERT_TRUE(window->isEnabled(IdEist));
    uint64_t value = *processor->peek(0, msr::IA32_MISC_ENABLE);
    for (int cpu = 0; cpu < 8; ++cpu)
        processor->poke(cpu, msr::IA32_MISC_ENABLE, misc::SpeedStepLock.set(value, 1));
    bool before = window->isChecked(IdEist);
    processor->clearWrites();
    window->widget<QAbstractButton>(IdEist)->click();
    EXPECT_FALSE(window->isEnabled(IdEist));
    EXPECT_EQ(window->isChecked(IdEist), before); // what the processor holds
    for (const auto& write : processor->writes())
        EXPECT_NE(write.index, msr::IA32_MISC_ENABLE);
}

TEST_F(TurboMonitorDialogTest, MinimisedWindowLivesInTheNotificationArea)
{
    EXPECT_EQ(TurboMonitorDialog::trayTip(24.876, 99.5), "24.876X\n99.50%");
    EXPECT_EQ(TurboMonitorDialog::trayTip(8.0, 0.0), "8.000X\n0.00%");

    open();
    ASSERT_TRUE(window->start());
    window->show();
    window->showMinimized();
    EXPECT_TRUE(window->trayIconShown());
    EXPECT_EQ(tray->adds, 1);
    QTRY_VERIFY(!window->isVisible());

    tick();
    double ratio = static_cast<double>(
        msr::perf_status::OperatingRatio.get(*processor->peek(0, msr::IA32_PERF_STATUS)));
    EXPECT_EQ(tray->tip, QString::asprintf("%.3fX\n100.00%%", ratio));

    // The icon went away behind the program's back: the tick adds it again.
    tray->shown = false;
    tick();
    EXPECT_EQ(tray->adds, 2);

    // "Sparvel" in the icon's menu restores like "Restore".
    QMenu* menu = window->trayMenu();
    QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), "Sparvel");
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), "Restore");
    EXPECT_EQ(actions[3]->text(), "Exit");
    actions[0]->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(window->trayIconShown());
    EXPECT_EQ(tray->removes, 1);

    window->showMinimized();
    QTRY_VERIFY(!window->isVisible());
    for (TrayEvent button : {TrayEvent::LeftButtonDown, TrayEvent::RightButtonDown}) {
        tray->send(button);
        EXPECT_TRUE(window->trayMenu()->isVisible());
        window->trayMenu()->hide();
    }
    tray->send(TrayEvent::LeftDoubleClick);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(tray->shown);
}

TEST_F(TurboMonitorDialogTest, WithoutANotificationAreaTheWindowStaysVisible)
{
    open();
    tray->available = false;
    ASSERT_TRUE(window->start());
    window->show();
    window->showMinimized();
    QApplication::processEvents();
    EXPECT_FALSE(window->trayIconShown());
    EXPECT_TRUE(window->isVisible());
    // The real icon reports the missing area the same way.
    dialog::QtTrayIcon real;
    EXPECT_EQ(real.add(QIcon(), "x"), QSystemTrayIcon::isSystemTrayAvailable());
}

TEST_F(TurboMonitorDialogTest, SettingsReadAtStartAndWrittenAtShutdown)
{
    std::ofstream(dir / "Sparvel.ini") << "[Sparvel]\nLoadFilter=150\nExcel=1\n";
    open();
    ASSERT_TRUE(window->start());
    EXPECT_EQ(text(IdLoadFilter), "99%");
    EXPECT_TRUE(window->isChecked(IdExcel));
    window->widget<QAbstractButton>(IdExcel)->click();
    window->setText(IdLoadFilter, "55");
    window->runLeaveFieldCheck(IdLoadFilter);
    window.reset();
    EXPECT_EQ(readFile(dir / "Sparvel.ini"), "[Sparvel]\nLoadFilter=55\nExcel=0\n");
}

TEST_F(TurboMonitorDialogTest, FailedStartShowsTheMessageAndKeepsTheSettings)
{
    std::ofstream(dir / "Sparvel.ini") << "[Sparvel]\nLoadFilter=70\n";
    test::FakeTurboProcessor broken;
    broken.setStatus(3);
    open(&broken);
    EXPECT_FALSE(window->start());
    auto boxes = services.calls(dialog::ServiceKind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Could not open WinRing0.dll");
    EXPECT_EQ(boxes[0].caption, "");
    window.reset();
    EXPECT_EQ(readFile(dir / "Sparvel.ini"), "[Sparvel]\nLoadFilter=70\n");
}

TEST_F(TurboMonitorDialogTest, AnotherVendorsProcessorIsRefusedOnStandardErrorAndInABox)
{
    test::FakeTurboProcessor amd;
    amd.setCpuid(0x0, {0xD, 0x68747541, 0x444D4163, 0x69746E65}); // "AuthenticAMD"
    open(&amd);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(window->start());
    const std::string stderrText = testing::internal::GetCapturedStderr();
    EXPECT_NE(stderrText.find("AuthenticAMD"), std::string::npos) << stderrText;
    auto boxes = services.calls(dialog::ServiceKind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("Intel processor")) << boxes[0].text.toStdString();
}

TEST_F(TurboMonitorDialogTest, AboutFromTheButtonAndTheContextMenu)
{
    open();
    ASSERT_TRUE(window->start());
    window->widget<QAbstractButton>(IdAbout)->click();
    QList<QAction*> actions = window->contextMenu()->actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0]->text(), "About...");
    actions[0]->trigger();
    auto boxes = services.calls(dialog::ServiceKind::MessageBox);
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "Sparvel");
        EXPECT_TRUE(box.text.startsWith("Sparvel\nVersion 1.30\nMay 19, 2011"));
        EXPECT_EQ(box.flags & dialog::MB_ICONMASK, dialog::MB_ICONINFORMATION);
    }
}

TEST_F(TurboMonitorDialogTest, DraggingTheBackgroundMovesTheWindow)
{
    openShownAndActive();
    window->move(100, 100);
    QPoint start = window->pos();
    QPoint grab(4, 4); // above the name line, on no control
    ASSERT_EQ(window->childAt(grab), nullptr);
    QTest::mousePress(window.get(), Qt::LeftButton, {}, grab);
    QMouseEvent move(QEvent::MouseMove, QPointF(grab + QPoint(30, 20)), window->mapToGlobal(QPointF(grab + QPoint(30, 20))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &move);
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, grab + QPoint(30, 20));
    EXPECT_EQ(window->pos(), start + QPoint(30, 20));
}

TEST_F(TurboMonitorDialogTest, EscapeClosesTheWindow)
{
    openShownAndActive();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), dialog::IDCANCEL);
}

// The program's own run on the two-socket Xeon: 64 logical CPUs, each with a
// load of its own. Run again on a screen too short for all the boxes at once
// (tests/turbo/CMakeLists.txt), where the groups scroll.
TEST(TurboMonitorManyCpus, EveryCpuHasAFilledBoxThatScrollsIntoView)
{
    const fs::path dir = fs::temp_directory_path() / ("sparvel_64_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    sim::Options simOptions;
    simOptions.loadMode = sim::LoadMode::Fixed;
    auto clock = std::make_shared<sim::ManualClock>();
    auto processor = sim::createSimulatedProcessor("xeon-4514y-2s", simOptions, clock).processor;
    ASSERT_TRUE(processor);
    constexpr int kCpus = 64;
    for (int cpu = 0; cpu < kCpus; ++cpu)
        processor->setLoad(cpu, 10.0 + cpu);
    dialog::ScriptedDialogServices services;
    TurboMonitorOptions options;
    options.settingsPath = (dir / "Sparvel.ini").string();
    options.logDirectory = dir.string();
    options.services = &services;
    options.tray = std::make_unique<RecordingTray>();

    bool ran = false;
    // Checked in a function of its own, so that a failed assertion still ends the window.
    auto check = [&](TurboMonitorDialog& window) {
        ran = true;
        EXPECT_EQ(window.text(IdAverageC0), "Cores 32  Threads 64");
        clock->advanceSeconds(1.0);
        window.tick();
        ASSERT_EQ(window.boxCount(), kCpus);
        QScrollArea* area = window.boxArea();
        ASSERT_NE(area, nullptr);
        EXPECT_TRUE(window.screen()->availableGeometry().contains(window.frameRect()));
        // The switches and the note stay in the window, outside the scrolling area.
        for (int id : {IdLog, IdExcel, IdTurboDisable, IdCStates, IdEist, IdResetMinMax, IdNote, IdAddNote}) {
            EXPECT_TRUE(window.rect().contains(window.control(id)->geometry())) << id;
            EXPECT_FALSE(area->isAncestorOf(window.control(id))) << id;
        }
        for (int cpu = 0; cpu < kCpus; ++cpu) {
            SCOPED_TRACE(cpu);
            EXPECT_FALSE(window.multiplierBox(cpu)->text().isEmpty());
            EXPECT_NEAR(window.c0Box(cpu)->text().toDouble(), 10.0 + cpu, 1.0);
            for (QLineEdit* box : {window.multiplierBox(cpu), window.c0Box(cpu)}) {
                EXPECT_TRUE(box->toolTip().endsWith(QStringLiteral("CPU %1").arg(cpu))) << box->toolTip().toStdString();
                const QPoint centre = box->geometry().center();
                area->ensureVisible(centre.x(), centre.y(), box->width() / 2 + 1, box->height() / 2 + 1);
                const QRect inView(box->mapTo(area->viewport(), QPoint(0, 0)), box->size());
                EXPECT_TRUE(area->viewport()->rect().contains(inView));
                EXPECT_TRUE(box->isVisibleTo(&window));
            }
        }
    };
    const int status = runTurboMonitor(*processor, std::move(options), [&](TurboMonitorDialog& window) {
        check(window);
        window.runCommand(CmdTrayExit);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(status, ExitNormal);
    fs::remove_all(dir);
}

} // namespace
} // namespace turbo
