#pragma once
// The time base of a simulated processor. Every counter, the TSC, the
// temperatures and the energy follow it, so a test that advances a
// ManualClock by hand sees exactly the cycles that time implies.

#include <atomic>
#include <cstdint>
#include <ctime>

namespace sim {

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic nanoseconds.
    virtual int64_t nanoseconds() const = 0;
    // Calendar time, for the local-time call of the seam.
    virtual std::time_t wallTime() const = 0;
    // Sleep(0) yields; Sleep(n) lets n milliseconds pass.
    virtual void sleep(uint32_t milliseconds) = 0;
};

// The host's monotonic clock; sleeping really waits.
class HostClock : public Clock {
public:
    int64_t nanoseconds() const override;
    std::time_t wallTime() const override;
    void sleep(uint32_t milliseconds) override;
};

// A clock that moves only when told to. Sleeping advances it by the time slept,
// so code that waits with Sleep(n) runs instantly and deterministically.
class ManualClock : public Clock {
public:
    explicit ManualClock(int64_t startNanoseconds = 0, std::time_t wallStart = 1262304000 /* 2010-01-01 */)
        : m_now(startNanoseconds), m_wallStart(wallStart), m_start(startNanoseconds)
    {
    }

    int64_t nanoseconds() const override { return m_now.load(); }
    std::time_t wallTime() const override;
    void sleep(uint32_t milliseconds) override { advanceMilliseconds(milliseconds); }

    void advance(int64_t nanoseconds) { m_now.fetch_add(nanoseconds); }
    void advanceMilliseconds(int64_t milliseconds) { advance(milliseconds * 1000000); }
    void advanceSeconds(double seconds) { advance(static_cast<int64_t>(seconds * 1e9)); }

private:
    std::atomic<int64_t> m_now;
    std::time_t m_wallStart;
    int64_t m_start;
};

} // namespace sim
