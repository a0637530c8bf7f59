#pragma once
// The load loop: every second is ten slots of a tenth of a second; a busy
// slot spins on the counter until its end, an idle slot sleeps until its end.
// Each slot's end follows from the schedule (start + period), not from the
// moment the previous slot finished, so a slot that overran is made up by the
// following ones and the load does not drift. Between slots the host handles
// its pending events; that is where it can stop the loop.

#include "loadgen/LoadClock.h"

#include <cstdint>

namespace loadgen {

class LoadLoopHost {
public:
    virtual ~LoadLoopHost() = default;
    // Bit n set: slot n is busy. Read at the start of every slot.
    virtual uint32_t slotMask() const = 0;
    virtual bool running() const = 0;
    // Called after every ten slots with the seconds counted so far.
    virtual void secondCompleted(int64_t elapsedSeconds) = 0;
    // Called after every slot.
    virtual void dispatchEvents() = 0;
};

enum class LoadLoopResult { Stopped, CounterFailed };

// How an idle slot waits for its end.
enum class IdleWait {
    // Sleeps until the slot's end (an absolute deadline, not rounded) and
    // checks the counter again: one wake-up per slot, so an idle slot costs
    // next to no processor time and the next slot starts on time.
    UntilSlotEnd,
    // Sleeps 1 ms at a time, reading the counter after each sleep: a hundred
    // wake-ups per slot, each of which the process pays for in processor time.
    MillisecondSteps,
};

class LoadLoop {
public:
    static constexpr int slotsPerSecond = 10;

    explicit LoadLoop(LoadClock& clock, IdleWait idleWait = IdleWait::UntilSlotEnd)
        : m_clock(clock), m_idleWait(idleWait)
    {
    }

    // Runs until the host stops running. Returns at once, without load, when
    // the counter fails or ticks fewer than ten times a second.
    LoadLoopResult run(LoadLoopHost& host);

    int64_t elapsedSeconds() const { return m_elapsedSeconds; }

private:
    bool spinToSlotEnd(const LoadLoopHost& host);
    bool sleepToSlotEnd(const LoadLoopHost& host);
    bool sleepInSteps(const LoadLoopHost& host);
    bool slotOver(int64_t now, const LoadLoopHost& host) const
    {
        return now - m_slotStart >= m_slotPeriod || !host.running();
    }

    LoadClock& m_clock;
    IdleWait m_idleWait;
    int64_t m_frequency = 0;
    int64_t m_slotPeriod = 0;
    int64_t m_slotStart = 0;
    int m_slot = 0;
    int64_t m_elapsedSeconds = 0;
};

} // namespace loadgen
