#pragma once
// The filter of the clock thread: the last five time-stamp frequency
// measurements in kHz, and the rules that decide which measurement of a pass
// is trusted and when the average is published.

#include <array>
#include <cstdint>
#include <optional>

namespace monitor {

class ClockRing {
public:
    static constexpr int Size = 5;
    static constexpr uint64_t Tolerance = 25; // kHz

    // Fills every entry with the first estimate.
    void fill(uint64_t kHz);

    // Replaces the oldest entry by `kHz`. Returns the new average when every
    // entry lies within Tolerance of it, nothing when the ring disagrees.
    std::optional<uint64_t> add(uint64_t kHz);

    uint64_t sum() const { return m_sum; }
    const std::array<uint64_t, Size>& entries() const { return m_entries; }

private:
    std::array<uint64_t, Size> m_entries{};
    uint64_t m_sum = 0;
    int m_position = 0;
};

// One pass of the clock thread measured the time-stamp counter over a 125 ms
// and a 250 ms sleep (ticks per millisecond of sleep: r125, r250) and against
// the performance counter (q, kHz). The performance counter figure is kept
// unless the two sleep windows agree within 0.3 % and the performance counter
// differs from them by 2 MHz or more.
uint64_t ChooseClockSample(uint64_t r125, uint64_t r250, uint64_t q);

} // namespace monitor
