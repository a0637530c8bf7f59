#include "loadgen/LoadLoop.h"

namespace loadgen {

LoadLoopResult LoadLoop::run(LoadLoopHost& host)
{
    if (!m_clock.frequency(m_frequency) || m_frequency < slotsPerSecond)
        return LoadLoopResult::CounterFailed;
    m_slotPeriod = m_frequency / slotsPerSecond;
    if (!m_clock.counter(m_slotStart))
        return LoadLoopResult::CounterFailed;
    m_slot = 0;
    m_elapsedSeconds = 0;

    while (host.running()) {
        const bool busy = (host.slotMask() >> m_slot) & 1u;
        bool counted = false;
        if (busy)
            counted = spinToSlotEnd(host);
        else if (m_idleWait == IdleWait::UntilSlotEnd)
            counted = sleepToSlotEnd(host);
        else
            counted = sleepInSteps(host);
        if (!counted)
            return LoadLoopResult::CounterFailed;

        m_slotStart += m_slotPeriod;
        if (++m_slot >= slotsPerSecond) {
            m_slot = 0;
            ++m_elapsedSeconds;
            host.secondCompleted(m_elapsedSeconds);
        }
        host.dispatchEvents();
    }
    return LoadLoopResult::Stopped;
}

bool LoadLoop::spinToSlotEnd(const LoadLoopHost& host)
{
    int64_t now = 0;
    do {
        if (!m_clock.counter(now))
            return false;
    } while (!slotOver(now, host));
    return true;
}

bool LoadLoop::sleepToSlotEnd(const LoadLoopHost& host)
{
    int64_t now = 0;
    for (;;) {
        if (!m_clock.counter(now))
            return false;
        if (slotOver(now, host))
            return true;
        m_clock.sleepUntil(m_slotStart + m_slotPeriod);
    }
}

bool LoadLoop::sleepInSteps(const LoadLoopHost& host)
{
    int64_t now = 0;
    do {
        m_clock.sleep(1);
        if (!m_clock.counter(now))
            return false;
    } while (!slotOver(now, host));
    return true;
}

} // namespace loadgen
