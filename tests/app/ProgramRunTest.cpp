// Each program's main window driven through the run function its main()
// uses, on the offscreen platform: hiding, minimising or re-flagging the
// window must not end the run; a termination signal ends it in order, also
// while a modal box is open, and the program then saves what it saves on a
// normal exit.

#include "tests/monitor/ui/FakeIcons.h"
#include "tests/monitor/ui/FakePlacement.h"

#include "hw/BuildFlavour.h"
#include "loadgen/window/LoadGeneratorRun.h"
#include "monitor/ui/main/MainDialog.h"
#include "monitor/ui/app/MonitorApp.h"
#include "platform/ForwardingProcessor.h"
#include "platform/IniFile.h"
#include "sim/SimulatedProcessor.h"
#include "turbo/window/TurboMonitorRun.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/ostrel-run-XXXXXX";
        m_path = ::mkdtemp(pattern);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    fs::path path(const std::string& name) const { return m_path / name; }

private:
    fs::path m_path;
};

std::unique_ptr<sim::SimulatedProcessor> simulated(const char* profile)
{
    sim::Options options;
    options.loadMode = sim::LoadMode::Fixed;
    options.fixedLoadPercent = 20;
    sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options);
    EXPECT_TRUE(created.processor) << created.error;
    return std::move(created.processor);
}

// A run that outlives its test would hang the suite: a late timer closes
// whatever is open and ends the program's window.
void failSafe(QWidget* window)
{
    QTimer::singleShot(20000, window, [window] {
        ADD_FAILURE() << "the run did not end on the termination signal";
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        window->close();
        ::raise(SIGTERM);
    });
}

// Hides, minimises and re-flags the window, as the notification area, the
// window manager and Always On Top do; afterwards the window must still run.
void pushAround(dialog::DialogWindow& window, bool& stillRunning)
{
    window.hide();
    window.showMinimized();
    window.setStaysOnTop(true);
    window.showNormal();
    window.setStaysOnTop(false);
    QTimer::singleShot(300, &window, [&window, &stillRunning] { stillRunning = !window.ended(); });
}

// A processor whose driver is not there: the start-up shows "Driver Error".
class MissingDriver : public platform::ForwardingProcessor {
public:
    using ForwardingProcessor::ForwardingProcessor;
    int status() override { return 3; }
    bool capabilityTest() override { return false; }
};

// Raises SIGTERM once a modal box is open; true when one was. The timers
// end with `owner`.
void signalWhenABoxIsOpen(QObject& owner, bool& boxOpen)
{
    QTimer::singleShot(800, &owner, [&boxOpen] {
        boxOpen = QApplication::activeModalWidget() != nullptr;
        ::raise(SIGTERM);
    });
    QTimer::singleShot(20000, &owner, [] {
        ADD_FAILURE() << "the box stayed open after the termination signal";
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
}

TEST(ProgramRun, SparvelSurvivesHidingAndEndsOnASignalDuringItsAboutBox)
{
    TempFolder folder;
    const fs::path ini = folder.path("Sparvel.ini");
    std::ofstream(ini) << "[Sparvel]\nExcel=5\n";
    auto cpu = simulated("i7-2600k");
    turbo::TurboMonitorOptions options;
    options.settingsPath = ini.string();
    options.logDirectory = folder.path("").string();

    bool stillRunning = false;
    const int status = turbo::runTurboMonitor(*cpu, std::move(options), [&](turbo::TurboMonitorDialog& window) {
        failSafe(&window);
        pushAround(window, stillRunning);
        QTimer::singleShot(500, &window, [] { ::raise(SIGTERM); });
        QTimer::singleShot(400, &window, [&window] { window.runCommand(turbo::CmdAbout); });
    });

    EXPECT_TRUE(stillRunning) << "hiding or re-flagging the window ended it";
    EXPECT_EQ(status, turbo::ExitNormal);
    // "Excel=5" reads as on and is written back as "1" by the shutdown.
    EXPECT_EQ(platform::IniFile(ini.string()).readString("Sparvel", "Excel", "absent"), "1");
}

TEST(ProgramRun, SparvelEndsWithSuccessOnASignalDuringItsStartupErrorBox)
{
    TempFolder folder;
    auto cpu = simulated("i7-2600k");
    MissingDriver processor(*cpu);
    turbo::TurboMonitorOptions options;
    options.settingsPath = folder.path("Sparvel.ini").string();
    options.logDirectory = folder.path("").string();
    bool boxOpen = false;
    QObject owner;
    signalWhenABoxIsOpen(owner, boxOpen);
    EXPECT_EQ(turbo::runTurboMonitor(processor, std::move(options)), turbo::ExitNormal);
    EXPECT_TRUE(boxOpen) << "the start-up error box was not open when the signal came";
}

TEST(ProgramRun, MorvathSurvivesHidingAndEndsOnASignal)
{
    bool stillRunning = false;
    const int status = loadgen::runLoadGenerator([&](loadgen::LoadGeneratorDialog& window) {
        failSafe(&window);
        pushAround(window, stillRunning);
        QTimer::singleShot(500, &window, [] { ::raise(SIGTERM); });
    });
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(status, 0);
}

TEST(ProgramRun, OstrelOnTopRunsOnAndItsAnchorRoundTrips)
{
    TempFolder folder;
    const fs::path ini = folder.path("Ostrel.ini");
    // The anchor (100, 50) in hexadecimal: written back in decimal, it proves
    // that the shutdown stored it.
    std::ofstream(ini) << "[Ostrel]\nOnTop=1\nAnchorXY=0x20322064\n";
    auto cpu = simulated("i7-2600k");
    monitor::MonitorApp app(*cpu, hw::FourCoreBuild, ini.string());
    bool onTopAtEnd = false;
    uitest::FakeIcons icons;
    icons.onRemove = [&](monitor::MainDialog& window) {
        onTopAtEnd = window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    };
    app.parts().icons = &icons;
    // The signal comes once the ticks have put the window on top (or after
    // a long while, and the test fails): a window that ended itself on the
    // way would have returned from run() by then.
    uitest::FakePlacement placement;
    app.parts().placement = &placement;
    monitor::MainDialog* const& running = placement.window;
    QTimer poll;
    int polls = 0;
    int onTopSince = -1;
    bool ranOnAfterOnTop = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        ++polls;
        if (onTopSince < 0 && running && running->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            onTopSince = polls;
        ranOnAfterOnTop = onTopSince >= 0 && polls >= onTopSince + 10;
        if (ranOnAfterOnTop || polls > 300) {
            poll.stop();
            ::raise(SIGTERM);
        }
    });
    poll.start(50);

    EXPECT_EQ(app.run(), monitor::MonitorApp::ExitNormal);
    EXPECT_TRUE(ranOnAfterOnTop) << "the window did not run on after it was put on top";
    EXPECT_TRUE(onTopAtEnd) << "the first ticks should have put the window on top";
    EXPECT_EQ(platform::IniFile(ini.string()).readString("Ostrel", "AnchorXY", "absent"), "540156004");
}

TEST(ProgramRun, OstrelEndsWithSuccessOnASignalDuringItsDriverErrorBox)
{
    TempFolder folder;
    auto cpu = simulated("i7-2600k");
    MissingDriver processor(*cpu);
    monitor::MonitorApp app(processor, hw::FourCoreBuild, folder.path("Ostrel.ini").string());
    bool boxOpen = false;
    QObject owner;
    signalWhenABoxIsOpen(owner, boxOpen);

    EXPECT_EQ(app.run(), monitor::MonitorApp::ExitNormal);
    EXPECT_TRUE(boxOpen) << "the driver error box was not open when the signal came";
}

} // namespace
