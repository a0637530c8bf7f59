#pragma once
// The benchmark's workload: random reads and writes of a table of 128 doubles
// driven by the 48-bit linear congruential generator of drand48. Every call
// keeps its generator and table on its own stack, so any number of threads
// may run it at once (the sensor test loads every processor with it).
//
// The table starts from values seeded with the current time, but the loop
// re-seeds the generator with a fixed state and overwrites every entry long
// before it ends, so the result does not depend on the time: multiplier 1
// gives a value whose low 32 bits are BenchChecksum on a processor that
// computes correctly.

#include <cstdint>
#include <ctime>

namespace monitor {

// Iterations per unit of the multiplier.
constexpr int64_t BenchIterations = 20'000'000;
// Low 32 bits of BenchWorkload(1).
constexpr uint32_t BenchChecksum = 0xA75DB931;

// Seeded with the current time.
int64_t BenchWorkload(int multiplier);
// Seeded with `now` (whole seconds).
int64_t BenchWorkload(int multiplier, std::time_t now);

} // namespace monitor
