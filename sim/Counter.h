#pragma once

#include <cstdint>

namespace sim {

// A hardware counter of some width, fed with fractional cycle counts: the
// fraction is carried so that no cycle is lost between two updates.
struct Counter {
    uint64_t value = 0;
    double fraction = 0.0;

    // Adds cycles; true when the counter wrapped past its width.
    bool add(double cycles, unsigned width);
    void set(uint64_t newValue, unsigned width);
};

} // namespace sim
