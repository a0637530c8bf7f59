#include "sim/Counter.h"

#include <cmath>

namespace sim {

namespace {

bool fullWidth(unsigned width) { return width >= 64; }

} // namespace

bool Counter::add(double cycles, unsigned width)
{
    double total = fraction + cycles;
    // Counts are never negative: below 2^63 truncation is the floor, and cheaper.
    double whole = total >= 0.0 && total < 0x1p63 ? double(static_cast<uint64_t>(total)) : std::floor(total);
    fraction = total - whole;
    uint64_t increment = static_cast<uint64_t>(whole);
    uint64_t sum = value + increment;
    bool wrapped;
    if (fullWidth(width)) {
        wrapped = sum < value;
        value = sum;
    } else {
        uint64_t mask = (1ull << width) - 1;
        wrapped = (sum >> width) != 0 || increment > mask;
        value = sum & mask;
    }
    return wrapped;
}

void Counter::set(uint64_t newValue, unsigned width)
{
    value = fullWidth(width) ? newValue : newValue & ((1ull << width) - 1);
    fraction = 0.0;
}

} // namespace sim
