#pragma once
// The elapsed load time as the window shows it: hours, minutes and seconds of
// the span, "%H:%M:%S"; whole days are not shown, so 24 hours read
// "00:00:00" again.

#include <cstdint>
#include <string>

namespace loadgen {

class ElapsedTime {
public:
    static std::string format(int64_t seconds);
};

} // namespace loadgen
