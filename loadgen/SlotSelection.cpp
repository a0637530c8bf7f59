#include "loadgen/SlotSelection.h"

namespace loadgen {

bool SlotSelection::toggle(int slot)
{
    if (slot < 0 || slot >= slotCount)
        return false;
    m_on[slot] = !m_on[slot];
    if (m_on[slot]) {
        m_mask |= 1u << slot;
        m_loadPercent += 10;
    } else {
        m_mask &= ~(1u << slot);
        m_loadPercent -= 10;
    }
    return m_on[slot];
}

void SlotSelection::selectAll()
{
    m_on.fill(true);
    m_mask = allSlots;
    m_loadPercent = 100;
}

void SlotSelection::clearAll()
{
    m_on.fill(false);
    m_mask = 0;
    m_loadPercent = 0;
}

} // namespace loadgen
