#include "../ui/MonitorRig.h"
#include "StressHelper.h"

#include "dialog/MessageBoxStyle.h"
#include "dialog/StandardIds.h"
#include "dialog/TerminationSignals.h"
#include "registers/MsrIndex.h"
#include "monitor/diag/window/SensorTestDialog.h"
#include "monitor/ui/main/MainDialogTemplate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>

using namespace monitor;

namespace {

constexpr uint32_t SavedModulation = 0x18; // 50 % duty, found at opening

// Waits until the process has ended (a zombie or gone), so the next check
// cannot see it running.
void waitUntilEnded(pid_t pid)
{
    for (int i = 0; i < 500; ++i) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line))
            return;
        const size_t close = line.rfind(')');
        if (close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z')
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool processRuns(pid_t pid)
{
    if (kill(pid, 0) != 0)
        return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    return !(close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z');
}

struct SensorRig {
    uitest::MonitorRig monitor;
    QTemporaryDir dir;
    SlotReadouts readouts{50, 50, 50, 50};
    SlotReadouts loadedReadouts{50, 50, 50, 50}; // after the movement test's wait
    std::vector<int> loadThreads;
    std::vector<uint32_t> sleeps;
    std::vector<std::string> opened;
    std::unique_ptr<SensorTestDialog> dialog;

    explicit SensorRig(const std::string& profile, const hw::BuildFlavour& flavour = hw::FourCoreBuild)
        : monitor(profile, {50, 50, 50, 50}, "", {}, flavour)
    {
        monitor.start();
        for (int cpu = 0; cpu < monitor.cpu->cpuCount(); ++cpu)
            monitor.cpu->poke(cpu, msr::IA32_CLOCK_MODULATION, SavedModulation);
        monitor.cpu->clearWrites(); // the start-up's own
        setLoad(0.0);
    }

    // Every measured processor at `percent`.
    void setLoad(double percent)
    {
        ClockCounters& counters = *monitor.records->counters;
        counters.load.fill(0.0);
        for (int cpu = 0; cpu < counters.count; ++cpu)
            counters.load[cpu] = percent;
    }

    SensorTestEnvironment environment(bool ownStressProgram = false)
    {
        SensorTestEnvironment env;
        env.readReadouts = [this] { return readouts; };
        env.startLoadThread = [this](int cpu) { loadThreads.push_back(cpu); };
        env.sleep = [this](uint32_t ms) {
            sleeps.push_back(ms);
            readouts = loadedReadouts;
        };
        env.openAddress = [this](const std::string& address) { opened.push_back(address); };
        if (!ownStressProgram)
            env.stressProgram = std::make_unique<StressProgram>(std::nullopt);
        return env;
    }

    SensorTestDialog& open(bool ownStressProgram = false)
    {
        dialog = std::make_unique<SensorTestDialog>(*monitor.records, environment(ownStressProgram),
                                                    monitor.window.get());
        dialog->setServices(monitor.services);
        dialog->open(QRect(100, 50, 300, 400), 1920);
        return *dialog;
    }

    void click(int id) { dialog->widget<QAbstractButton>(id)->click(); }

    // Start with `program` chosen; the test drives the seconds itself.
    void start(const std::string& program)
    {
        monitor.services.answerFile(QString::fromStdString(program));
        click(IdStart);
        dialog->killTimer(SensorTestDialog::TestTimer);
    }

    // Ticks until `second` or until the test stops.
    void runTo(int second, const std::function<void(int)>& eachSecond = {})
    {
        while (dialog->testSeconds() < second && dialog->isEnabled(IdStop)) {
            dialog->handleTimer();
            if (eachSecond)
                eachSecond(dialog->testSeconds());
        }
    }

    // Clock-modulation values written on CPU 0 since the last call.
    std::vector<uint32_t> newModulationWrites()
    {
        std::vector<uint32_t> values;
        for (const sim::WriteRecord& write : monitor.cpu->writes())
            if (write.index == msr::IA32_CLOCK_MODULATION && write.cpu == 0)
                values.push_back(msr::lowHalf(write.value));
        monitor.cpu->clearWrites();
        return values;
    }

    uint32_t modulationOn(int cpu) { return msr::lowHalf(*monitor.cpu->peek(cpu, msr::IA32_CLOCK_MODULATION)); }

    QString row(int row, int slot) const { return dialog->text(SensorTestDialog::rowCell(row, slot)); }
    QString load(int row) const { return dialog->text(SensorTestDialog::loadCell(row)); }
    QString status() const { return dialog->text(IdStatus); }
    std::vector<dialog::ServiceCall> boxes() const { return monitor.services.calls(dialog::ServiceKind::MessageBox); }
};

TEST(SensorTest, MovementTestAtOpening)
{
    struct Case {
        const char* profile;
        std::vector<int> loadThreads;
        int coreCount;
        int idleSum;
        std::vector<QString> movement;
    } cases[] = {
        {"i7-920", {0, 1, 2, 3, 4, 5, 6, 7}, 4, 50 + 48 + 47 + 46, {"10", "0", "2", "6"}},
        // Two cores: slots 2 and 3 are absent, read 0 and show nothing.
        {"e8400", {0, 1}, 2, 50 + 48, {"10", "0", "", ""}},
    };
    for (const Case& c : cases) {
        SensorRig rig(c.profile);
        rig.readouts = {50, 48, 47, 46};
        rig.loadedReadouts = {40, 49, 45, 40}; // core 1 moved the wrong way: 0
        SensorTestDialog& dialog = rig.open();

        EXPECT_EQ(rig.loadThreads, c.loadThreads) << c.profile;
        EXPECT_EQ(rig.sleeps, std::vector<uint32_t>{4000});
        EXPECT_EQ(dialog.coreCount(), c.coreCount);
        EXPECT_EQ(dialog.idleSum(), c.idleSum);
        EXPECT_EQ(dialog.savedClockModulation(), SavedModulation);
        std::vector<QString> movement;
        for (int slot = 0; slot < SensorTestSlots; ++slot)
            movement.push_back(dialog.text(IdMovement0 + slot));
        EXPECT_EQ(movement, c.movement) << c.profile;
        EXPECT_EQ(rig.status(), "Press Start to begin a 10 minute sensor test.");
        EXPECT_FALSE(dialog.isEnabled(IdStop));
    }
}

TEST(SensorTest, PlacedBesideTheMainWindow)
{
    struct Case {
        QRect main;
        Composition composition;
        QPoint expected;
    } cases[] = {
        {QRect(100, 50, 300, 400), Composition::Off, QPoint(400, 50)},  // more room on the right
        {QRect(100, 50, 300, 400), Composition::On, QPoint(410, 50)},
        {QRect(1500, 80, 300, 400), Composition::Off, QPoint(1300, 80)}, // more room on the left
        {QRect(1500, 80, 300, 400), Composition::On, QPoint(1290, 80)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sensorTestPosition(c.main, 1920, 200, c.composition), c.expected) << c.main.x();
}

TEST(SensorTest, StartAsksForTheStressProgram)
{
    SensorRig rig("i7-920");
    rig.open();
    rig.newModulationWrites();
    rig.click(IdStart); // the chooser is cancelled
    const auto files = rig.monitor.services.calls(dialog::ServiceKind::File);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].file.title, "Open Prime95 - Use Small FFTs option");
    EXPECT_EQ(files[0].file.filter, "EXE Files (*.exe)|*.exe||");
    EXPECT_EQ(files[0].file.existence, dialog::FileExistence::MustExist);
    EXPECT_EQ(rig.status(), "Unable to Open Prime95");
    EXPECT_EQ(rig.newModulationWrites(), std::vector<uint32_t>{0});
    EXPECT_FALSE(rig.dialog->primeRunning());
    EXPECT_TRUE(rig.dialog->isEnabled(IdStart));
}

TEST(SensorTest, FullRun)
{
    SensorRig rig("i7-920");
    rig.open();
    rig.setLoad(80.0);
    rig.start(diagtest::sleepingHelper(rig.dir));
    const pid_t pid = rig.dialog->stressProgram().pid();
    EXPECT_EQ(rig.status(), "Run Small FFTs");
    EXPECT_FALSE(rig.dialog->isEnabled(IdStart));
    EXPECT_FALSE(rig.dialog->isEnabled(IdDownload));
    EXPECT_TRUE(rig.dialog->isEnabled(IdStop));

    // Heat-up: the cores warm by 6 at second 5 and are hottest (30) at 150;
    // test k (2..10) reads 30 + k throughout.
    std::map<int, QString> statusAt;
    std::map<int, std::vector<uint32_t>> modulationAt{{0, rig.newModulationWrites()}};
    std::map<int, bool> runsAt;
    rig.runTo(SensorTestDialog::LastSecond, [&](int t) {
        statusAt[t] = rig.status();
        std::vector<uint32_t> writes = rig.newModulationWrites();
        if (!writes.empty())
            modulationAt[t] = writes;
        runsAt[t] = processRuns(pid);
        const int next = t + 1;
        int value = 50;
        if (next >= 200)
            value = 30 + 1 + (next - 200 + 45) / 46;
        else if (next == 150)
            value = 30;
        else if (next >= 5)
            value = 44;
        rig.readouts = {value, value, value, value};
    });
    // The first tick read the scripted value of second 1.
    const std::map<int, QString> expectedStatus{
        {4, "Run Small FFTs"},           {5, "Heat Up Phase = 2%"},     {199, "Heat Up Phase = 99%"},
        {200, "Cool Down Test Begins."}, {205, "Cool Down Test Begins."}, {206, "Test #2 = 1"},
        {245, "Test #2 = 40"},           {246, "Test #3 Begins."},      {476, "Test #8 Begins."},
        {521, "Test #8 = 40"},           {522, "Stopping Prime95"},     {528, "Test #9 = 1"},
        {568, "Final Idle Test Begins"}, {613, "Test #10 = 40"},        {614, "CPU Cool Down Test Completed"},
    };
    for (const auto& [second, text] : expectedStatus)
        EXPECT_EQ(statusAt[second], text) << second;

    const uint32_t off = 0;
    const std::map<int, std::vector<uint32_t>> expectedModulation{
        {0, {off}},  {200, {30}}, {246, {28}}, {292, {26}},  {338, {24}},
        {384, {22}}, {430, {20}}, {476, {18}}, {568, {off}}, {614, {SavedModulation}},
    };
    EXPECT_EQ(modulationAt, expectedModulation);
    for (int cpu = 0; cpu < 8; ++cpu)
        EXPECT_EQ(rig.modulationOn(cpu), SavedModulation) << cpu;

    // Row 1 holds the hottest readout; rows 2..10 the mean of their 40 samples.
    for (int row = 1; row <= 10; ++row) {
        const QString expected = QString::number(row == 1 ? 30 : 30 + row) + ".0";
        for (int slot = 0; slot < SensorTestSlots; ++slot)
            EXPECT_EQ(rig.row(row, slot), expected) << row << " " << slot;
        EXPECT_EQ(rig.load(row), "80.0%") << row;
    }
    EXPECT_TRUE(runsAt[521]);
    EXPECT_FALSE(runsAt[522]); // ended with the stress tests
    EXPECT_FALSE(rig.dialog->primeRunning());
    EXPECT_TRUE(rig.dialog->isEnabled(IdStart));
    EXPECT_TRUE(rig.dialog->isEnabled(IdDownload));
    EXPECT_FALSE(rig.dialog->isEnabled(IdStop));
    EXPECT_FALSE(rig.dialog->timerActive(SensorTestDialog::TestTimer));
    EXPECT_TRUE(rig.boxes().empty());
}

// Rows 1 to 5 have their results by second 400 (row 5 at 384).
TEST(SensorTest, StopAt400WithAnAbsentCoreAndNoLoadMeasured)
{
    SensorRig rig("e8400"); // core slots 2 and 3 absent
    rig.open();
    rig.readouts = {35, 36, 99, 99}; // what an absent slot might report is never used
    rig.start(diagtest::sleepingHelper(rig.dir));
    const pid_t pid = rig.dialog->stressProgram().pid();
    rig.runTo(400);
    rig.newModulationWrites();
    rig.click(IdStop);

    EXPECT_EQ(rig.status(), "CPU Cool Down Test Stopped.");
    EXPECT_EQ(rig.newModulationWrites(), std::vector<uint32_t>{SavedModulation});
    EXPECT_FALSE(processRuns(pid));
    EXPECT_FALSE(rig.dialog->timerActive(SensorTestDialog::TestTimer));
    const QString nominal[] = {"100.0%", "87.5%", "75.0%", "62.5%", "50.0%"};
    for (int row = 1; row <= 5; ++row) {
        EXPECT_EQ(rig.row(row, 0), "35.0") << row;
        EXPECT_EQ(rig.row(row, 1), "36.0") << row;
        EXPECT_EQ(rig.row(row, 2), "") << row;
        EXPECT_EQ(rig.row(row, 3), "") << row;
        EXPECT_EQ(rig.load(row), nominal[row - 1]) << row;
    }
    for (int row = 6; row <= 10; ++row) {
        EXPECT_EQ(rig.row(row, 0), "") << row;
        EXPECT_EQ(rig.load(row), "") << row;
    }
}

TEST(SensorTest, SecondRunStartsAfresh)
{
    SensorRig rig("i7-920");
    rig.open();
    rig.setLoad(80.0);
    rig.readouts = {30, 30, 30, 30};
    rig.start(diagtest::sleepingHelper(rig.dir));
    rig.runTo(180); // stopped during the heat-up, after 21 load samples
    rig.click(IdStop);

    rig.setLoad(40.0);
    rig.readouts = {45, 45, 45, 45};
    rig.start(diagtest::sleepingHelper(rig.dir));
    rig.runTo(200);
    EXPECT_EQ(rig.row(1, 0), "45.0");
    EXPECT_EQ(rig.load(1), "40.0%");
}

// The six-core build measures twelve logical processors of an i7-980X.
TEST(SensorTest, LoadIsTheMeanOfEveryMeasuredProcessor)
{
    SensorRig rig("i7-980x", hw::SixCoreBuild);
    ASSERT_EQ(rig.monitor.records->counters->count, 12);
    rig.open();
    rig.setLoad(60.0);
    rig.start(diagtest::sleepingHelper(rig.dir));
    rig.runTo(200);
    EXPECT_EQ(rig.load(1), "60.0%");
}

TEST(SensorTest, StressProgramThatEnds)
{
    struct Case {
        bool quitsAtOnce;
        int endsAfter; // second after which the program is killed (quitting helper: 0)
        int stopsAt;
        const char* box;
    } cases[] = {
        {true, 0, 1, "Prime 95 may already be open.\n\nExit Prime 95 before starting the\nCPU Cool Down Test."},
        {false, 299, 301, "Prime 95 was Cancelled."},
        {false, 523, 614, nullptr}, // ended anyway at 522: no effect
    };
    for (const Case& c : cases) {
        SensorRig rig("i7-920");
        rig.open();
        rig.start(c.quitsAtOnce ? diagtest::quittingHelper(rig.dir) : diagtest::sleepingHelper(rig.dir));
        const pid_t pid = rig.dialog->stressProgram().pid();
        if (!c.quitsAtOnce) {
            rig.runTo(c.endsAfter);
            kill(pid, SIGKILL);
        }
        waitUntilEnded(pid);
        rig.runTo(SensorTestDialog::LastSecond);

        EXPECT_EQ(rig.dialog->testSeconds(), c.stopsAt) << c.stopsAt;
        EXPECT_FALSE(rig.dialog->isEnabled(IdStop));
        EXPECT_FALSE(rig.dialog->primeRunning());
        const auto boxes = rig.boxes();
        if (!c.box) {
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u) << c.stopsAt;
        EXPECT_EQ(boxes[0].text, c.box);
        EXPECT_EQ(boxes[0].caption, "Error");
        EXPECT_EQ(boxes[0].flags & dialog::MB_ICONMASK, dialog::MB_ICONERROR);
        EXPECT_EQ(rig.status(), "CPU Cool Down Test Stopped.");
    }
}

TEST(SensorTest, StressProgramRunsAsTheInvokingUserWhenRoot)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root";
    SensorRig rig("i7-920");
    chmod(rig.dir.path().toLocal8Bit().constData(), 0777);
    const std::string idFile = (rig.dir.path() + "/id").toStdString();
    setenv("SUDO_UID", "65534", 1);
    setenv("SUDO_GID", "65534", 1);
    rig.open(true); // the window's own stress program, which looks at the environment
    unsetenv("SUDO_UID");
    unsetenv("SUDO_GID");
    rig.start(diagtest::writeScript(rig.dir, "whoami", "id -u > " + idFile + "\nexec sleep 600"));
    std::string uid;
    for (int i = 0; i < 500 && uid.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::getline(std::ifstream(idFile), uid);
    }
    EXPECT_EQ(uid, "65534");
}

TEST(SensorTest, DownloadOpensThePage)
{
    SensorRig rig("i7-920");
    rig.open();
    rig.click(IdDownload);
    EXPECT_EQ(rig.status(), "Step 3. Download Prime95 for your operating system:");
    EXPECT_EQ(rig.opened, std::vector<std::string>{SensorTestDialog::DownloadAddress});
}

// The monitor ends while the test runs: the stress program is ended and the
// saved clock modulation written back before the main window's run returns
// to the shutdown.
TEST(SensorTest, MonitorEndingDuringTheTest)
{
    enum class End { Exit, CloseBox, TerminationSignal };
    for (End end : {End::Exit, End::CloseBox, End::TerminationSignal}) {
        SensorRig rig("i7-920");
        dialog::TerminationSignals termination;
        ASSERT_TRUE(termination.installed());
        QObject::connect(&termination, &dialog::TerminationSignals::requested, rig.monitor.window.get(),
                         [&rig](int) { rig.monitor.window->endProgram(); });
        MainDialog& main = *rig.monitor.window;
        main.setEnabled(IDC_SENSOR_TEST, true);
        pid_t pid = 0;
        QString captionWhileOpen;
        bool buttonEnabledWhileOpen = true;
        bool leftOpen = false;
        QTimer::singleShot(0, [&] {
            auto* test = qobject_cast<SensorTestDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(test, nullptr);
            captionWhileOpen = main.text(IDC_SENSOR_TEST);
            buttonEnabledWhileOpen = main.isEnabled(IDC_SENSOR_TEST);
            rig.monitor.services.answerFile(QString::fromStdString(diagtest::sleepingHelper(rig.dir)));
            test->widget<QAbstractButton>(IdStart)->click();
            test->killTimer(SensorTestDialog::TestTimer);
            while (test->testSeconds() < 250)
                test->handleTimer(); // clock modulation now 28
            pid = test->stressProgram().pid();
            switch (end) {
            case End::Exit: main.endProgram(); break;
            case End::CloseBox: main.close(); break;
            case End::TerminationSignal: raise(SIGTERM); break;
            }
            // A window left open would hold the monitor's end forever.
            QTimer::singleShot(2000, test, [test, &leftOpen] {
                leftOpen = true;
                test->endDialog(dialog::IDCANCEL);
            });
        });
        SensorTestDialog::runFrom(main, *rig.monitor.records, 1920, rig.environment());

        EXPECT_FALSE(leftOpen) << static_cast<int>(end);
        EXPECT_EQ(captionWhileOpen, "Testing...");
        EXPECT_FALSE(buttonEnabledWhileOpen);
        EXPECT_TRUE(main.ended()) << static_cast<int>(end);
        ASSERT_GT(pid, 0);
        EXPECT_FALSE(processRuns(pid)) << static_cast<int>(end);
        for (int cpu = 0; cpu < 8; ++cpu)
            EXPECT_EQ(rig.modulationOn(cpu), SavedModulation) << cpu;
        EXPECT_EQ(main.text(IDC_SENSOR_TEST), "Sensor Test");
        EXPECT_TRUE(main.isEnabled(IDC_SENSOR_TEST));
    }
}

} // namespace
