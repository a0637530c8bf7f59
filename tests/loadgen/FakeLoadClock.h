#pragma once
// A load clock for tests: time moves only when the loop reads the counter
// (readCost ticks) or sleeps (sleepCost ticks per millisecond). Every read and
// sleep is recorded with the time after it, and a hook sees each step.

#include "loadgen/LoadClock.h"

#include <functional>
#include <vector>

namespace loadgen::test {

enum class ClockStep { Read, Sleep };

struct ClockEvent {
    ClockStep step;
    int64_t at;           // time after the step
    uint32_t milliseconds; // sleeps: the length asked for, in whole milliseconds
    int64_t ticks = 0;     // how far the step moved the clock
};

class FakeLoadClock : public LoadClock {
public:
    int64_t now = 0;
    int64_t ticksPerSecond = 10000; // a slot is 1000 ticks
    int64_t readCost = 1;
    int64_t sleepCost = 10;         // ticks per millisecond of sleep
    bool frequencyFails = false;
    int64_t readsBeforeFailure = -1; // -1: reads never fail
    bool recordEvents = true;
    std::vector<ClockEvent> events;
    std::function<void(int64_t now)> onStep;

    bool frequency(int64_t& value) override
    {
        if (frequencyFails)
            return false;
        value = ticksPerSecond;
        return true;
    }

    bool counter(int64_t& value) override
    {
        if (readsBeforeFailure == 0)
            return false;
        if (readsBeforeFailure > 0)
            --readsBeforeFailure;
        advance(ClockStep::Read, readCost, 0);
        value = now;
        return true;
    }

    void sleep(uint32_t milliseconds) override { advance(ClockStep::Sleep, sleepCost * milliseconds, milliseconds); }
    // Wakes exactly at the deadline; recorded as the whole milliseconds slept.
    void sleepUntil(int64_t ticks) override
    {
        const int64_t length = ticks > now ? ticks - now : 0;
        const int64_t tickPerMs = sleepCost > 0 ? sleepCost : 1;
        advance(ClockStep::Sleep, length, static_cast<uint32_t>((length + tickPerMs - 1) / tickPerMs));
    }

    size_t count(ClockStep step) const
    {
        size_t n = 0;
        for (const ClockEvent& e : events)
            n += e.step == step;
        return n;
    }

private:
    void advance(ClockStep step, int64_t ticks, uint32_t milliseconds)
    {
        now += ticks;
        if (recordEvents)
            events.push_back({step, now, milliseconds, ticks});
        if (onStep)
            onStep(now);
    }
};

} // namespace loadgen::test
