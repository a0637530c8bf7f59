#pragma once
// The run timer of the information view: seconds since the program started
// (or since Reset), immune to jumps of the system clock. A change of the
// clock by more than the sampling interval plus two seconds between two
// cycles counts as one second.

#include <cstdint>
#include <string>

namespace monitor {

class RunTimer {
public:
    explicit RunTimer(int64_t startSeconds = 0);

    // Called once per sampling cycle, whichever view is shown.
    void observe(int64_t nowSeconds, int refreshIntervalMs);
    // Reset: the timer starts again from now.
    void restart(int64_t nowSeconds);

    int64_t elapsed(int64_t nowSeconds) const;
    int64_t offset() const { return m_offset; }

    // "%d:" of whole hours, then minutes and seconds "%M:%S".
    static std::string format(int64_t elapsedSeconds);

private:
    int64_t m_start;
    int64_t m_previous;
    int64_t m_offset = 0;
};

} // namespace monitor
