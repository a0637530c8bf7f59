#include "../ui/FakeWindows.h"
#include "../ui/MonitorRig.h"

#include "dialog/MessageBoxStyle.h"
#include "monitor/diag/window/BenchRun.h"
#include "monitor/diag/BenchWorkload.h"
#include "monitor/ui/desktop/DocumentOpener.h"
#include "monitor/ui/app/MonitorWindows.h"
#include "monitor/ui/main/MainDialogTemplate.h"

#include <QPushButton>
#include <QTimer>

#include <deque>

using namespace monitor;

namespace {

// Clocks that give scripted readings: the start and end of the counter and
// of the tick count, and the core clock each time it is asked.
struct ScriptedClocks : BenchClocks {
    bool available = true;
    std::deque<int64_t> counters;
    std::deque<uint32_t> ticks;
    double tscPer = 3.0; // a 3000 MHz time-stamp counter over a 1 GHz performance counter
    double tsc = 3000.0;
    std::deque<double> speeds;
    double lastSpeed = 3000.0;

    bool counterAvailable() override { return available; }
    int64_t counter() override { return next(counters); }
    uint32_t tickCount() override { return next(ticks); }
    double tscPerCounterTick() override { return tscPer; }
    double tscMHz() override { return tsc; }
    double coreClockMHz() override
    {
        if (!speeds.empty()) {
            lastSpeed = speeds.front();
            speeds.pop_front();
        }
        return lastSpeed;
    }

    template <typename T>
    static T next(std::deque<T>& values)
    {
        const T value = values.front();
        if (values.size() > 1)
            values.pop_front();
        return value;
    }

    void script(double counterSeconds, uint32_t tickStart, uint32_t tickMilliseconds)
    {
        counters = {1'000'000, 1'000'000 + static_cast<int64_t>(counterSeconds * 1e9 + 0.5)};
        ticks = {tickStart, tickStart + tickMilliseconds};
    }
};

struct BenchRig {
    uitest::FakeWindows windows;
    uitest::MonitorRig rig;
    ScriptedClocks clocks;
    int calls = 0;
    std::function<int64_t(int call)> workload = [](int) { return int64_t{BenchChecksum}; };

    // Buttons of windows that are there, so their restoring shows.
    BenchRig() : rig("e8400", {40, 40}, "", {.windows = &windows})
    {
        rig.start();
    }

    void run()
    {
        MainDialog& window = *rig.window;
        BenchStopRequest stop{[&window] { return window.stopRequested(); }, [&window] { window.clearStopRequest(); }};
        BenchRun(window, *rig.records, clocks, stop, [this] { return workload(++calls); }).run();
    }

    std::vector<dialog::ServiceCall> boxes() const { return rig.services.calls(dialog::ServiceKind::MessageBox); }

    void expectButtonsRestored()
    {
        EXPECT_EQ(rig.text(IDC_BENCH), "ZB Bench");
        EXPECT_TRUE(rig.window->isEnabled(IDC_BENCH));
        EXPECT_EQ(rig.text(IDC_RESET), "Reset");
        EXPECT_TRUE(rig.window->isEnabled(IDC_SENSOR_TEST));
        EXPECT_TRUE(rig.window->isEnabled(IDC_SETTINGS));
    }
};

TEST(BenchRun, TimerChoiceScoreAndBox)
{
    struct Case {
        double counterSeconds;
        uint32_t tickStart;
        uint32_t tickMs;
        double tscMHz;
        const char* timerLine;
        const char* scoreLine;
    } cases[] = {
        {14.630, 5000, 14640, 3000.0, "Performance Timer\n", "Your Score          1000\n"},
        {14.630, 5000, 14660, 3000.0, "Standard Timer\n", "Your Score           998\n"},
        {14.630, 0xFFFFFF00u, 14640, 3000.0, "Performance Timer\n", "Your Score          1000\n"}, // tick count wraps
        {14.630, 5000, 14630, 0.0, "Standard Timer\n", "Your Score          1000\n"}, // counter figures not measured: time 0
    };
    for (const Case& c : cases) {
        BenchRig bench;
        bench.clocks.script(c.counterSeconds, c.tickStart, c.tickMs);
        bench.clocks.tsc = c.tscMHz;
        bench.clocks.speeds = {3000.0, 3000.0, 3600.0, 3200.0};
        bench.run();

        EXPECT_EQ(bench.calls, BenchRun::Runs);
        const auto boxes = bench.boxes();
        ASSERT_EQ(boxes.size(), 1u) << c.tickMs;
        EXPECT_EQ(boxes[0].caption, "ZB Bench Score");
        EXPECT_EQ(boxes[0].flags & dialog::MB_ICONMASK, dialog::MB_ICONINFORMATION);
        const std::string text = boxes[0].text.toStdString();
        EXPECT_EQ(text.find(c.scoreLine), 0u) << text;
        EXPECT_NE(text.find(std::string(c.timerLine) + "CheckSum Pass"), std::string::npos) << text;
        EXPECT_NE(text.find("Speed    3600.00 MHz\n"), std::string::npos) << text;
        bench.expectButtonsRestored();
    }
}

TEST(BenchRun, WindowDuringTheRun)
{
    BenchRig bench;
    bench.clocks.script(14.63, 0, 14630);
    std::vector<QString> seen;
    bench.workload = [&](int call) {
        if (call == 1) {
            for (int id : {IDC_BENCH, IDC_RESET})
                seen.push_back(bench.rig.text(id));
            for (int id : {IDC_BENCH, IDC_SENSOR_TEST, IDC_SETTINGS})
                seen.push_back(bench.rig.window->isEnabled(id) ? "enabled" : "disabled");
        }
        return int64_t{BenchChecksum};
    };
    bench.run();
    EXPECT_EQ(seen, (std::vector<QString>{"Testing...", "Cancel", "disabled", "disabled", "disabled"}));
}

TEST(BenchRun, CancelShowsNothingAndResetWorksAgain)
{
    BenchRig bench;
    bench.clocks.script(14.63, 0, 14630);
    bench.workload = [&](int call) {
        if (call == 3)
            bench.rig.window->widget<QPushButton>(IDC_RESET)->click(); // reads "Cancel"
        return int64_t{BenchChecksum};
    };
    bench.run();
    EXPECT_EQ(bench.calls, 3);
    EXPECT_TRUE(bench.boxes().empty());
    EXPECT_FALSE(bench.rig.window->stopRequested());
    bench.expectButtonsRestored();

    // Reset does its own work again instead of asking a benchmark to stop.
    bench.rig.window->widget<QPushButton>(IDC_RESET)->click();
    EXPECT_FALSE(bench.rig.window->stopRequested());
}

TEST(BenchRun, WrongResultFailsTheChecksum)
{
    BenchRig bench;
    bench.clocks.script(14.63, 0, 14630);
    bench.workload = [](int call) { return int64_t{call == 7 ? 0x12345678 : BenchChecksum}; };
    bench.run();
    ASSERT_EQ(bench.boxes().size(), 1u);
    const std::string text = bench.boxes()[0].text.toStdString();
    EXPECT_NE(text.find("CheckSum Fail"), std::string::npos) << text;
    EXPECT_EQ(text.find("Your Score          1000\n"), 0u) << text;
}

TEST(BenchRun, EventsAreHandledAfterEverySecondRun)
{
    BenchRig bench;
    bench.clocks.script(14.63, 0, 14630);
    std::vector<int> handledAt;
    bench.workload = [&](int) {
        QTimer::singleShot(0, [&] { handledAt.push_back(bench.calls); });
        return int64_t{BenchChecksum};
    };
    bench.run();
    std::vector<int> expected;
    for (int run = 2; run <= BenchRun::Runs; run += 2)
        expected.insert(expected.end(), {run, run});
    EXPECT_EQ(handledAt, expected);
}

TEST(BenchRun, WithoutHighResolutionCounterOnlyTheButtonReturns)
{
    BenchRig bench;
    bench.clocks.available = false;
    bench.rig.window->setText(IDC_BENCH, "Done");
    bench.run();
    EXPECT_EQ(bench.calls, 0);
    EXPECT_TRUE(bench.boxes().empty());
    bench.expectButtonsRestored();
}

// The button of the main window runs the real workload on the processor's clocks.
TEST(BenchRun, PluggedIntoTheMainWindow)
{
    struct NoOpener : DocumentOpener {
        OpenOutcome open(const std::string&) override { return OpenOutcome::Failed; }
    } opener;
    MonitorWindows windows(opener);
    uitest::MonitorRig rig("e8400", {40, 40}, "", {.windows = &windows});
    rig.start();
    EXPECT_TRUE(rig.window->isEnabled(IDC_SENSOR_TEST));
    rig.window->widget<QPushButton>(IDC_BENCH)->click();

    const auto boxes = rig.services.calls(dialog::ServiceKind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "ZB Bench Score");
    EXPECT_NE(boxes[0].text.indexOf("CheckSum Pass"), -1) << boxes[0].text.toStdString();
    EXPECT_EQ(rig.text(IDC_BENCH), "ZB Bench");
}

} // namespace
