#pragma once
// The arithmetic of the programmable performance counters that the monitor
// and the turbo monitor both read: their width and the counts between two
// readings.

#include <cstdint>

namespace platform {
class Processor;
}

namespace common {

// 2^40: the wrap of a counter whose width the processor does not report.
inline constexpr uint64_t DefaultCounterWrap = uint64_t(1) << 40;

// Counts between two readings of a counter that is `wrap` (2^width) wide: a
// reading below the last one (compared as signed 64-bit values) means the
// counter passed its top once.
uint64_t counterDelta(uint64_t now, uint64_t last, uint64_t wrap);

// 2^width for the counter width that CPUID leaf 0 and leaf 0x0A report; 2^40
// when the leaf is missing or reports a width that cannot be right (0, or 64
// and more).
uint64_t counterWrapForWidth(uint32_t highestLeaf, uint32_t reportedWidth);

// The same for the processor at hand, from its CPUID leaves 0 and 0x0A.
uint64_t counterWrapOf(platform::Processor& processor);

} // namespace common
