#include "FakeLoadClock.h"

#include "loadgen/ElapsedTime.h"
#include "loadgen/LoadLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

using namespace loadgen;
using loadgen::test::ClockEvent;
using loadgen::test::ClockStep;
using loadgen::test::FakeLoadClock;

namespace {

constexpr int64_t kPeriod = 1000; // FakeLoadClock: 10000 ticks a second
constexpr int64_t kStart = 1;     // the loop's first read costs one tick
constexpr int64_t kMillisecond = 10;

// A host that records when slots end and what the window would show.
class RecordingHost : public LoadLoopHost {
public:
    RecordingHost(FakeLoadClock& clock, uint32_t mask, int64_t stopAfterSeconds)
        : m_clock(clock), mask(mask), stopAfterSeconds(stopAfterSeconds)
    {
    }

    uint32_t slotMask() const override { return mask; }
    bool running() const override { return runningFlag; }
    void secondCompleted(int64_t elapsedSeconds) override
    {
        seconds.push_back(elapsedSeconds);
        shown[elapsedSeconds] = ElapsedTime::format(elapsedSeconds);
        if (elapsedSeconds >= stopAfterSeconds)
            runningFlag = false;
    }
    void dispatchEvents() override
    {
        slotEnds.push_back(m_clock.now);
        eventsAtSlotEnd.push_back(m_clock.events.size());
        if (stopRequested)
            runningFlag = false;
        if (onDispatch)
            onDispatch(static_cast<int>(slotEnds.size()) - 1);
    }

    // The clock events of slot k.
    std::vector<ClockEvent> slotEvents(size_t k) const
    {
        const size_t first = k == 0 ? 1 : eventsAtSlotEnd[k - 1]; // event 0 is the start read
        return {m_clock.events.begin() + first, m_clock.events.begin() + eventsAtSlotEnd[k]};
    }

    FakeLoadClock& m_clock;
    uint32_t mask;
    int64_t stopAfterSeconds;
    bool runningFlag = true;
    bool stopRequested = false;
    std::vector<int64_t> seconds;
    std::map<int64_t, std::string> shown;
    std::vector<int64_t> slotEnds;
    std::vector<size_t> eventsAtSlotEnd;
    std::function<void(int slot)> onDispatch;
};

int64_t scheduledEnd(int slot)
{
    return kStart + (slot + 1) * kPeriod;
}

} // namespace

class LoadLoopWaitTest : public ::testing::TestWithParam<IdleWait> {};

INSTANTIATE_TEST_SUITE_P(Modes, LoadLoopWaitTest, ::testing::Values(IdleWait::UntilSlotEnd, IdleWait::MillisecondSteps),
                         [](const auto& info) {
                             return std::string(info.param == IdleWait::UntilSlotEnd ? "UntilSlotEnd" : "MillisecondSteps");
                         });

TEST_P(LoadLoopWaitTest, BusyAndIdleSlotsAtTheirOffsets)
{
    FakeLoadClock clock;
    RecordingHost host(clock, 0b0100000101, 1); // slots 0, 2 and 8 busy
    ASSERT_EQ(LoadLoop(clock, GetParam()).run(host), LoadLoopResult::Stopped);
    ASSERT_EQ(host.slotEnds.size(), 10u);
    int64_t slotStart = kStart;
    for (int slot = 0; slot < 10; ++slot) {
        SCOPED_TRACE(slot);
        // Every slot ends at its scheduled time, within one millisecond and a read.
        EXPECT_GE(host.slotEnds[slot], scheduledEnd(slot));
        EXPECT_LE(host.slotEnds[slot], scheduledEnd(slot) + kMillisecond + clock.readCost);
        const std::vector<ClockEvent> events = host.slotEvents(slot);
        int64_t sleptMs = 0;
        size_t sleeps = 0;
        for (const ClockEvent& e : events) {
            if (e.step == ClockStep::Sleep) {
                ++sleeps;
                sleptMs += e.milliseconds;
                if (GetParam() == IdleWait::MillisecondSteps) {
                    EXPECT_EQ(e.milliseconds, 1u);
                }
            }
        }
        const int64_t length = host.slotEnds[slot] - slotStart;
        if ((host.mask >> slot) & 1) {
            EXPECT_EQ(sleeps, 0u); // spun on the counter all along
            EXPECT_EQ(static_cast<int64_t>(events.size()), length / clock.readCost);
        } else {
            // Asleep for all but the reads; one wake-up when waiting for the slot's end.
            EXPECT_GE(sleptMs * kMillisecond, length - static_cast<int64_t>(sleeps + 1) * clock.readCost);
            if (GetParam() == IdleWait::UntilSlotEnd) {
                EXPECT_EQ(sleeps, 1u);
                // Woken at the slot's end itself, not at the next whole millisecond.
                EXPECT_LE(host.slotEnds[slot], scheduledEnd(slot) + clock.readCost);
            }
        }
        slotStart = host.slotEnds[slot];
    }
    EXPECT_EQ(host.seconds, std::vector<int64_t>{1});
}

TEST(LoadLoopTest, SlotChangesTakeEffectFromTheNextSlot)
{
    FakeLoadClock clock;
    RecordingHost host(clock, 0, 1);
    host.onDispatch = [&](int slot) {
        if (slot == 0)
            host.mask = 0x3FF;
    };
    LoadLoop(clock).run(host);
    const std::vector<ClockEvent> first = host.slotEvents(0);
    EXPECT_TRUE(std::any_of(first.begin(), first.end(), [](const ClockEvent& e) { return e.step == ClockStep::Sleep; }));
    for (int slot = 1; slot < 10; ++slot) {
        for (const ClockEvent& e : host.slotEvents(slot))
            EXPECT_EQ(e.step, ClockStep::Read) << "slot " << slot;
    }
}

struct OverrunCase {
    uint32_t mask;
    int64_t overrun; // ticks spent handling events after slot 2
    IdleWait idleWait = IdleWait::UntilSlotEnd;
};

class LoadLoopOverrunTest : public ::testing::TestWithParam<OverrunCase> {};

TEST_P(LoadLoopOverrunTest, LaterSlotsEndEarlyUntilTheScheduleIsMet)
{
    FakeLoadClock clock;
    RecordingHost host(clock, GetParam().mask, 1);
    host.onDispatch = [&](int slot) {
        if (slot == 2)
            clock.now += GetParam().overrun;
    };
    LoadLoop(clock, GetParam().idleWait).run(host);
    ASSERT_EQ(host.slotEnds.size(), 10u);
    const int64_t step = kMillisecond + clock.readCost;
    for (int slot = 0; slot < 10; ++slot) {
        SCOPED_TRACE(slot);
        // Never before the schedule; at it, or at once when it has passed already.
        const int64_t started = slot == 0 ? kStart : host.slotEnds[slot - 1] + (slot == 3 ? GetParam().overrun : 0);
        EXPECT_GE(host.slotEnds[slot], scheduledEnd(slot));
        EXPECT_LE(host.slotEnds[slot], std::max(scheduledEnd(slot), started) + step);
    }
    // The slot after the overrun is short, and the second still ends on time.
    EXPECT_LT(host.slotEnds[3] - (host.slotEnds[2] + GetParam().overrun), kPeriod);
    EXPECT_LT(host.slotEnds[9], scheduledEnd(9) + step);
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadLoopOverrunTest,
                         ::testing::Values(OverrunCase{0x3FF, 300}, OverrunCase{0x3FF, 2500},
                                           OverrunCase{0x000, 300}, OverrunCase{0x000, 2500},
                                           OverrunCase{0x155, 1700},
                                           OverrunCase{0x000, 300, IdleWait::MillisecondSteps},
                                           OverrunCase{0x000, 2500, IdleWait::MillisecondSteps},
                                           OverrunCase{0x155, 1700, IdleWait::MillisecondSteps}));

TEST(LoadLoopTest, StopClickedDuringABusySlotEndsTheLoopAtTheSlotsEnd)
{
    FakeLoadClock clock;
    RecordingHost host(clock, 0x3FF, 100);
    // The click arrives in the middle of slot 1; the window sees it between slots.
    clock.onStep = [&](int64_t now) {
        if (now >= scheduledEnd(0) + kPeriod / 2)
            host.stopRequested = true;
    };
    ASSERT_EQ(LoadLoop(clock).run(host), LoadLoopResult::Stopped);
    ASSERT_EQ(host.slotEnds.size(), 2u);
    EXPECT_GE(host.slotEnds[1], scheduledEnd(1));
    EXPECT_LT(host.slotEnds[1], scheduledEnd(1) + clock.readCost + 1);
    EXPECT_EQ(clock.now, host.slotEnds[1]); // nothing ran after the slot
}

TEST_P(LoadLoopWaitTest, StopSeenInsideASlotEndsItAtItsNextLook)
{
    for (uint32_t mask : {0x3FFu, 0x000u}) {
        SCOPED_TRACE(mask);
        FakeLoadClock clock;
        RecordingHost host(clock, mask, 100);
        clock.onStep = [&](int64_t now) {
            if (now >= 1500)
                host.runningFlag = false;
        };
        LoadLoop(clock, GetParam()).run(host);
        ASSERT_EQ(host.slotEnds.size(), 2u);
        // A spinning or stepping slot looks at once; a slot asleep to its end looks at its end.
        const int64_t bound = mask || GetParam() == IdleWait::MillisecondSteps ? 1500 + kMillisecond + clock.readCost
                                                                                : scheduledEnd(1) + kMillisecond;
        EXPECT_LE(host.slotEnds[1], bound);
    }
}

TEST_P(LoadLoopWaitTest, NothingTickedStillCountsElapsedTime)
{
    FakeLoadClock clock;
    RecordingHost host(clock, 0, 3);
    ASSERT_EQ(LoadLoop(clock, GetParam()).run(host), LoadLoopResult::Stopped);
    EXPECT_EQ(host.seconds, (std::vector<int64_t>{1, 2, 3}));
    EXPECT_EQ(host.shown[3], "00:00:03");
    EXPECT_GE(clock.now, kStart + 30 * kPeriod);
    EXPECT_LE(clock.now, kStart + 30 * kPeriod + kMillisecond + clock.readCost);
    // Idle all along: asleep but for the reads.
    int64_t sleptTicks = 0;
    for (const ClockEvent& e : clock.events)
        sleptTicks += e.step == ClockStep::Sleep ? e.ticks : 0;
    EXPECT_EQ(sleptTicks + static_cast<int64_t>(clock.count(ClockStep::Read)) * clock.readCost, clock.now);
    EXPECT_GT(sleptTicks, clock.now * 9 / 10);
}

TEST(LoadLoopTest, ElapsedDisplayWrapsAfterADay)
{
    FakeLoadClock clock;
    clock.ticksPerSecond = 10; // one read per slot keeps a day of slots quick
    clock.recordEvents = false;
    RecordingHost host(clock, 0x3FF, 86401);
    ASSERT_EQ(LoadLoop(clock).run(host), LoadLoopResult::Stopped);
    EXPECT_EQ(host.shown[3599], "00:59:59");
    EXPECT_EQ(host.shown[86399], "23:59:59");
    EXPECT_EQ(host.shown[86400], "00:00:00");
    EXPECT_EQ(host.shown[86401], "00:00:01");
}

struct FailureCase {
    const char* name;
    bool frequencyFails;
    int64_t ticksPerSecond;
    int64_t readsBeforeFailure;
    size_t expectedEvents;
};

class LoadLoopFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(LoadLoopFailureTest, FailingCounterReturnsAtOnce)
{
    const FailureCase& t = GetParam();
    FakeLoadClock clock;
    clock.frequencyFails = t.frequencyFails;
    clock.ticksPerSecond = t.ticksPerSecond;
    clock.readsBeforeFailure = t.readsBeforeFailure;
    RecordingHost host(clock, 0x3FF, 100);
    EXPECT_EQ(LoadLoop(clock).run(host), LoadLoopResult::CounterFailed);
    EXPECT_EQ(clock.events.size(), t.expectedEvents);
    EXPECT_TRUE(host.seconds.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadLoopFailureTest,
                         ::testing::Values(FailureCase{"no frequency", true, 10000, -1, 0},
                                           FailureCase{"first read fails", false, 10000, 0, 0},
                                           FailureCase{"slower than a slot", false, 9, -1, 0},
                                           FailureCase{"read fails while running", false, 10000, 500, 500}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == ' ')
                                     c = '_';
                             return name;
                         });
