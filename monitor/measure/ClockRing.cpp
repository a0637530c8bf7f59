#include "monitor/measure/ClockRing.h"

namespace monitor {

void ClockRing::fill(uint64_t kHz)
{
    m_entries.fill(kHz);
    m_sum = kHz * Size;
    m_position = 0;
}

std::optional<uint64_t> ClockRing::add(uint64_t kHz)
{
    m_position = (m_position + 1) % Size;
    m_sum = m_sum - m_entries[m_position] + kHz;
    m_entries[m_position] = kHz;
    uint64_t average = m_sum / Size;
    for (uint64_t entry : m_entries) {
        uint64_t distance = entry > average ? entry - average : average - entry;
        if (distance > Tolerance)
            return std::nullopt;
    }
    return average;
}

uint64_t ChooseClockSample(uint64_t r125, uint64_t r250, uint64_t q)
{
    // A 125 ms window with no ticks at all says nothing about agreement.
    if (r125 == 0)
        return q;
    uint64_t agreement = r250 * 1000 / r125;
    uint64_t distance = r250 > q ? r250 - q : q - r250;
    if (agreement > 997 && agreement < 1003 && distance >= 2000)
        return r250;
    return q;
}

} // namespace monitor
