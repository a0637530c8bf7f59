#pragma once
// Which tenths of every second are busy: ten slots, their bit mask and the
// load percentage (10 per slot that is on).

#include <array>
#include <cstdint>

namespace loadgen {

class SlotSelection {
public:
    static constexpr int slotCount = 10;
    static constexpr uint32_t allSlots = 0x3FF;

    // Turns slot n over; returns its new state. Slots outside 0..9 stay off.
    bool toggle(int slot);
    void selectAll();
    void clearAll();

    bool isOn(int slot) const { return slot >= 0 && slot < slotCount && m_on[slot]; }
    uint32_t mask() const { return m_mask; }
    int loadPercent() const { return m_loadPercent; }

private:
    std::array<bool, slotCount> m_on{};
    uint32_t m_mask = 0;
    int m_loadPercent = 0;
};

} // namespace loadgen
