#include "monitor/diag/BenchWorkload.h"

#include <array>

namespace monitor {

namespace {

constexpr uint64_t StateMask = (uint64_t(1) << 48) - 1;
constexpr uint64_t Multiplier = 0x5DEECE66D;
constexpr uint64_t Increment = 0xB;
constexpr uint64_t SeedLow = 0x330E;
constexpr uint64_t FixedState = 0x68D94330E;
constexpr double ToUnit = 1.0 / double(uint64_t(1) << 48);
// The top 7 of the 48 bits pick one of the 128 entries.
constexpr unsigned IndexShift = 41;

inline uint64_t step(uint64_t x) { return (Multiplier * x + Increment) & StateMask; }

} // namespace

int64_t BenchWorkload(int multiplier)
{
    return BenchWorkload(multiplier, std::time(nullptr));
}

int64_t BenchWorkload(int multiplier, std::time_t now)
{
    std::array<double, 128> table;
    uint64_t x = ((static_cast<uint64_t>(now) << 16) | SeedLow) & StateMask;
    for (double& entry : table) {
        x = step(x);
        entry = static_cast<double>(x) * ToUnit;
    }

    x = FixedState;
    double last = 0.0;
    const int64_t count = static_cast<int64_t>(multiplier) * BenchIterations;
    for (int64_t i = 0; i < count; ++i) {
        x = step(x);
        const unsigned index = static_cast<unsigned>(x >> IndexShift);
        last = table[index];
        x = step(x);
        table[index] = static_cast<double>(x) * ToUnit;
    }
    return static_cast<int64_t>(last * 4294967295.0);
}

} // namespace monitor
