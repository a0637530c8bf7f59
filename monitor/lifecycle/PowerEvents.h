#pragma once
// What the monitor does when the system suspends and resumes. Nehalem-class
// processors may lose the turbo ratio and power/current limits the program
// (or the user) set, so they are saved before the sleep and written back
// after it; on older processors the ratio calibration of the clock
// measurement runs again.

#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"

#include <cstdint>
#include <functional>

namespace monitor {

class PowerEvents {
public:
    // `recalibrate` re-runs the multiplier and bus-clock calibration.
    PowerEvents(hw::HardwareAccess& access, const hw::ProcessorInfo& info, std::function<void()> recalibrate);

    void suspending();
    void resumed();

    uint64_t savedRatioLimit() const { return m_ratioLimit; }

private:
    void restore(uint32_t index, uint64_t value);

    hw::HardwareAccess& m_access;
    const hw::ProcessorInfo& m_info;
    std::function<void()> m_recalibrate;
    uint64_t m_ratioLimit = 0;
    uint64_t m_powerCurrentLimit = 0;
};

} // namespace monitor
