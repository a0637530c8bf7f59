// The clock thread and the load counter thread, started, measured and stopped.

#include "tests/monitor/measure/MeasureRig.h"

#include "monitor/measure/ClockThread.h"
#include "monitor/measure/LoadCounterThread.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace measuretest;
using namespace monitor;
using namespace std::chrono_literals;

namespace {

// Polls `condition` for up to `limit` of real time.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = 10000ms)
{
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return condition();
}

void realSleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool within(double value, double expected, double share) { return std::abs(value - expected) <= expected * share; }

TEST(ClockThreadTest, SettlesOnTheTimeStampFrequency)
{
    // On a hand-driven clock every sleep passes at once, so the thread runs
    // through its measurement windows as fast as it can.
    for (const char* name : {"e8400", "n270", "i7-980x", "i7-2600k"}) {
        SCOPED_TRACE(name);
        auto clock = std::make_shared<sim::ManualClock>();
        Rig rig(name, 50.0, clock);
        auto shared = std::make_shared<SharedReadings>();
        WorkerThread thread = StartClockThread(*rig.processor, shared);
        ASSERT_TRUE(thread.started());
        double expected = rig.tscMHz();
        EXPECT_TRUE(eventually([&] { return within(shared->tscMHz.load(), expected, 0.0005); }))
            << shared->tscMHz.load() << " against " << expected;
        EXPECT_TRUE(within(shared->tscPerQpcTick.load(), expected / 1000.0, 0.0005));
        EXPECT_EQ(rig.processor->m_threadPriority.load(), platform::ThreadPriority::TimeCritical);

        StopOutcome outcome = StopWorkerThreads(*shared, realSleep);
        EXPECT_TRUE(outcome.clockThreadEnded);
        EXPECT_EQ(shared->clockControl.load(), NotRunning);
        EXPECT_TRUE(within(shared->tscMHz.load(), expected, 0.0005)) << "keeps its last value";
    }
}

TEST(ClockThreadTest, FirstEstimateAndShutdownInRealTime)
{
    // On the host's clock the first estimate (a busy loop timed against the
    // performance counter) is already close, and a stop request is answered
    // within the shutdown budget. The tolerance allows for the thread being
    // preempted between its two clock readings on a busy machine; the exact
    // settling is checked on the manual clock above.
    Rig rig("i7-2600k", 50.0, std::make_shared<sim::HostClock>());
    auto shared = std::make_shared<SharedReadings>();
    WorkerThread thread = StartClockThread(*rig.processor, shared);
    ASSERT_TRUE(eventually([&] { return shared->tscMHz.load() > 0.0; }, 5000ms));
    EXPECT_TRUE(within(shared->tscMHz.load(), 3400.0, 0.01)) << shared->tscMHz.load();

    StopOutcome outcome = StopWorkerThreads(*shared, *rig.processor);
    EXPECT_TRUE(outcome.clockThreadEnded);
    EXPECT_TRUE(outcome.loadThreadEnded);
    EXPECT_LT(outcome.stepsWaited, 49);
}

TEST(ClockThreadTest, StopRequestedBeforeTheThreadRuns)
{
    auto clock = std::make_shared<sim::ManualClock>();
    Rig rig("e8400", 50.0, clock);
    auto shared = std::make_shared<SharedReadings>();
    WorkerThread thread = StartClockThread(*rig.processor, shared);
    EXPECT_EQ(shared->clockControl.load(), Running);
    // A second start while the first runs does nothing.
    EXPECT_FALSE(StartClockThread(*rig.processor, shared).started());
    StopOutcome outcome = StopWorkerThreads(*shared, realSleep);
    EXPECT_TRUE(outcome.clockThreadEnded);
    thread.release();
    // Once it has ended it can be started again.
    WorkerThread again = StartClockThread(*rig.processor, shared);
    EXPECT_TRUE(again.started());
    EXPECT_TRUE(StopWorkerThreads(*shared, realSleep).clockThreadEnded);
}

class LoadThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = std::filesystem::temp_directory_path() /
                 ("measure-load-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        writeStat(0, 1000);
    }
    void TearDown() override { std::filesystem::remove(m_path); }

    // Totals of the aggregate line: `busy` of `total` jiffies.
    void writeStat(uint64_t busy, uint64_t total)
    {
        std::ofstream out(m_path.string() + ".tmp", std::ios::trunc);
        out << "cpu  " << busy << " 0 0 " << (total - busy) << " 0 0 0 0 0 0\n";
        out.close();
        std::filesystem::rename(m_path.string() + ".tmp", m_path);
    }

    std::filesystem::path m_path;
};

TEST_F(LoadThreadTest, PublishesTheSystemLoadAndStops)
{
    for (auto priority : {platform::ThreadPriority::AboveNormal, platform::ThreadPriority::TimeCritical}) {
        writeStat(0, 1000);
        Rig rig("i7-920", 0.0);
        auto shared = std::make_shared<SharedReadings>();
        shared->systemLoad = -1.0; // marks the first collection
        // Every value the thread publishes, as its next sleep sees it: a
        // figure shows for one collection only (the file stands still after
        // it), which a loaded machine may never let the test catch live.
        std::mutex seenLock;
        std::vector<double> seen;
        rig.processor->sleepHook = [&](uint32_t) {
            {
                std::lock_guard<std::mutex> lock(seenLock);
                seen.push_back(shared->systemLoad.load());
            }
            std::this_thread::sleep_for(2ms);
        };
        const auto published = [&](double load) {
            std::lock_guard<std::mutex> lock(seenLock);
            return std::any_of(seen.begin(), seen.end(), [load](double v) { return std::abs(v - load) < 1e-9; });
        };
        WorkerThread thread = StartLoadCounterThread(*rig.processor, shared, priority, ProcStatLoad(m_path.string()));
        ASSERT_TRUE(thread.started());
        EXPECT_TRUE(eventually([&] { return rig.processor->m_threadPriority.load() == priority; }));
        // Nothing has changed since the thread opened the counters.
        ASSERT_TRUE(eventually([&] { return shared->systemLoad.load() != -1.0; }));
        EXPECT_EQ(shared->systemLoad.load(), 0.0);

        writeStat(250, 2000); // 250 of 1000 jiffies busy
        EXPECT_TRUE(eventually([&] { return published(25.0); })) << shared->systemLoad.load();
        writeStat(1150, 3000);
        EXPECT_TRUE(eventually([&] { return published(90.0); })) << shared->systemLoad.load();

        StopOutcome outcome = StopWorkerThreads(*shared, realSleep);
        EXPECT_TRUE(outcome.loadThreadEnded);
        EXPECT_TRUE(outcome.clockThreadEnded); // never started
        EXPECT_LE(outcome.stepsWaited, 2);
    }
}

TEST_F(LoadThreadTest, UnreadableCountersGiveZero)
{
    Rig rig("i7-920", 0.0);
    rig.processor->sleepHook = [](uint32_t) { std::this_thread::sleep_for(2ms); };
    auto shared = std::make_shared<SharedReadings>();
    shared->systemLoad = 55.0;
    WorkerThread thread =
        StartLoadCounterThread(*rig.processor, shared, platform::ThreadPriority::AboveNormal,
                               ProcStatLoad((m_path.parent_path() / "no-such-stat-file").string()));
    EXPECT_TRUE(eventually([&] { return shared->systemLoad.load() == 0.0; }));
    EXPECT_TRUE(StopWorkerThreads(*shared, realSleep).loadThreadEnded);
}

TEST_F(LoadThreadTest, ThreadThatDoesNotAnswer)
{
    // The load thread hangs in its sleep; the clock thread answers. The
    // shutdown wait gives up after its 49 steps and the program goes on.
    auto clock = std::make_shared<sim::ManualClock>();
    Rig rig("i7-920", 0.0, clock);
    std::atomic<bool> hung{true};
    rig.processor->sleepHook = [&](uint32_t ms) {
        while (hung.load() && ms == 500)
            std::this_thread::sleep_for(1ms);
        clock->sleep(ms);
    };
    auto shared = std::make_shared<SharedReadings>();
    WorkerThread load = StartLoadCounterThread(*rig.processor, shared, platform::ThreadPriority::AboveNormal,
                                               ProcStatLoad(m_path.string()));
    WorkerThread clockThread = StartClockThread(*rig.processor, shared);

    int steps = 0;
    StopOutcome outcome = StopWorkerThreads(*shared, [&](uint32_t ms) {
        EXPECT_EQ(ms, 100u);
        ++steps;
        // A step stands for 100 ms: long enough for the clock thread to see
        // its stop request, however loaded the machine running the test.
        eventually([&] { return shared->clockControl.load() == NotRunning; }, 2000ms);
        std::this_thread::sleep_for(1ms);
    });
    EXPECT_FALSE(outcome.loadThreadEnded);
    EXPECT_TRUE(outcome.clockThreadEnded) << "it ended while the wait was on the load thread";
    EXPECT_EQ(outcome.stepsWaited, ShutdownWaitSteps);
    EXPECT_EQ(steps, ShutdownWaitSteps);

    // Not waited for further: the handle lets go of the thread, which keeps
    // the shared values alive on its own.
    load.release();
    std::weak_ptr<SharedReadings> watch = shared;
    std::atomic<int>* loadWord = &shared->loadControl;
    EXPECT_EQ(loadWord->load(), StopRequested);
    hung = false;
    EXPECT_TRUE(eventually([&] { return loadWord->load() == NotRunning; }));
    EXPECT_TRUE(eventually([&] { return shared->clockControl.load() == NotRunning; }));
    clockThread.release();
    shared.reset();
    EXPECT_TRUE(eventually([&] { return watch.expired(); }));
}

// The sleeps a thread makes, in order.
class SleepLog : public platform::ForwardingProcessor {
public:
    using ForwardingProcessor::ForwardingProcessor;
    void sleep(uint32_t milliseconds) override
    {
        {
            std::lock_guard lock(m_lock);
            m_sleeps.push_back(milliseconds);
        }
        inner().sleep(milliseconds);
    }
    std::vector<uint32_t> sleeps() const
    {
        std::lock_guard lock(m_lock);
        return m_sleeps;
    }

private:
    mutable std::mutex m_lock;
    std::vector<uint32_t> m_sleeps;
};

TEST(ClockThreadTest, WakesTwicePerRound)
{
    // A monitor left running all day pays for every wake-up: after the first
    // estimate's yield, each round yields once and sleeps its two windows,
    // the 250 ms one starting where the 125 ms one ended.
    Rig rig("i7-2600k", 50.0, std::make_shared<sim::ManualClock>());
    SleepLog processor(*rig.processor);
    auto shared = std::make_shared<SharedReadings>();
    WorkerThread thread = StartClockThread(processor, shared);
    ASSERT_TRUE(thread.started());
    ASSERT_TRUE(eventually([&] { return processor.sleeps().size() >= 13; }));
    StopWorkerThreads(*shared, realSleep);

    // Before the rounds come the pinning's and the first estimate's yields.
    const std::vector<uint32_t> sleeps = processor.sleeps();
    const auto rounds = std::find(sleeps.begin(), sleeps.end(), 125u);
    ASSERT_NE(rounds, sleeps.begin());
    EXPECT_EQ(*(rounds - 1), 0u) << "a round starts with a yield";
    for (auto round = rounds; sleeps.end() - round >= 3; round += 3)
        EXPECT_EQ(std::vector<uint32_t>(round, round + 3), (std::vector<uint32_t>{125, 250, 0}))
            << "round from sleep " << round - sleeps.begin();
}

// A processor that owns the simulated one it forwards to, says when it is
// destroyed, and holds every sleep of a worker thread until released.
struct HeldSleeps {
    std::atomic<bool> held{true};
    std::atomic<bool> sleeping{false};
    std::atomic<bool> destroyed{false};
};

struct OwnsSimulated {
    std::unique_ptr<sim::SimulatedProcessor> owned;
};

class HeldProcessor : private OwnsSimulated, public platform::ForwardingProcessor {
public:
    HeldProcessor(std::unique_ptr<sim::SimulatedProcessor> simulated, std::shared_ptr<HeldSleeps> sleeps)
        : OwnsSimulated{std::move(simulated)}, ForwardingProcessor(*owned), m_sleeps(std::move(sleeps))
    {
    }
    ~HeldProcessor() override { m_sleeps->destroyed = true; }

    void sleep(uint32_t milliseconds) override
    {
        while (milliseconds > 0 && m_sleeps->held.load()) {
            m_sleeps->sleeping = true;
            std::this_thread::sleep_for(1ms);
        }
        inner().sleep(milliseconds);
    }

private:
    std::shared_ptr<HeldSleeps> m_sleeps;
};

TEST(WorkerThreadLifetime, ThreadLeftBehindByTheShutdownKeepsItsProcessor)
{
    using Start = std::function<WorkerThread(std::shared_ptr<platform::Processor>, std::shared_ptr<SharedReadings>)>;
    const struct {
        const char* name;
        Start start;
        bool StopOutcome::*ended;
    } threads[] = {
        {"clock", [](auto processor, auto shared) { return StartClockThread(processor, shared); },
         &StopOutcome::clockThreadEnded},
        {"load",
         [](auto processor, auto shared) {
             return StartLoadCounterThread(processor, shared, platform::ThreadPriority::Normal);
         },
         &StopOutcome::loadThreadEnded},
    };
    for (const auto& [name, start, ended] : threads) {
        SCOPED_TRACE(name);
        auto sleeps = std::make_shared<HeldSleeps>();
        sim::SimulatedCreation created =
            sim::createSimulatedProcessor("i7-920", fixedLoad(0), std::make_shared<sim::ManualClock>());
        ASSERT_TRUE(created.processor) << created.error;
        auto processor = std::make_shared<HeldProcessor>(std::move(created.processor), sleeps);
        auto shared = std::make_shared<SharedReadings>();
        WorkerThread thread = start(processor, shared);
        ASSERT_TRUE(eventually([&] { return sleeps->sleeping.load(); }));

        StopOutcome outcome = StopWorkerThreads(*shared, [](uint32_t) { std::this_thread::sleep_for(1ms); }, 3);
        EXPECT_FALSE(outcome.*ended) << "the thread was to miss the budget";
        thread.release();
        // The program lets go of its processor, as main() does on its way out.
        processor.reset();
        shared.reset();
        EXPECT_FALSE(sleeps->destroyed.load()) << "destroyed under a thread still using it";

        sleeps->held = false;
        EXPECT_TRUE(eventually([&] { return sleeps->destroyed.load(); })) << "the ended thread let it go";
    }
}

} // namespace
