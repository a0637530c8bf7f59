// The benchmark's workload (BenchWorkload(1): 20,000,000 steps of the 48-bit
// generator with dependent table reads and writes) beside a plain loop of
// the same arithmetic written out here, and beside the same loop driven by
// the C library's erand48, in one run. The workload should be within 1.05x
// of the plain loop; `per_step` is the processor time of one of the 20,000,000
// steps. Each run also checks the result, so no variant can be optimised away
// or go wrong unnoticed.

#include "monitor/diag/BenchWorkload.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int64_t Steps = monitor::BenchIterations;

int64_t plainLoop(std::time_t now)
{
    constexpr uint64_t mask = (uint64_t(1) << 48) - 1;
    std::array<double, 128> table;
    uint64_t x = ((static_cast<uint64_t>(now) << 16) | 0x330E) & mask;
    for (double& entry : table) {
        x = (0x5DEECE66D * x + 0xB) & mask;
        entry = static_cast<double>(x) / 281474976710656.0;
    }
    x = 0x68D94330E;
    double last = 0.0;
    for (int64_t i = 0; i < Steps; ++i) {
        x = (0x5DEECE66D * x + 0xB) & mask;
        const unsigned index = static_cast<unsigned>(x >> 41);
        last = table[index];
        x = (0x5DEECE66D * x + 0xB) & mask;
        table[index] = static_cast<double>(x) / 281474976710656.0;
    }
    return static_cast<int64_t>(last * 4294967295.0);
}

int64_t erand48Loop(std::time_t now)
{
    std::array<double, 128> table;
    unsigned short state[3] = {0x330E, static_cast<unsigned short>(now), static_cast<unsigned short>(now >> 16)};
    for (double& entry : table)
        entry = erand48(state);
    // 0x68D94330E
    state[0] = 0x330E;
    state[1] = 0x8D94;
    state[2] = 0x0006;
    double last = 0.0;
    for (int64_t i = 0; i < Steps; ++i) {
        const unsigned index = static_cast<unsigned>(erand48(state) * 128.0);
        last = table[index];
        table[index] = erand48(state);
    }
    return static_cast<int64_t>(last * 4294967295.0);
}

template <int64_t (*Loop)(std::time_t)>
void run(benchmark::State& state)
{
    const std::time_t now = std::time(nullptr);
    for (auto _ : state) {
        // A seed the compiler cannot see through, or it would run a loop
        // it can inline only once.
        std::time_t seed = now;
        benchmark::DoNotOptimize(seed);
        const int64_t result = Loop(seed);
        benchmark::DoNotOptimize(result);
        if (static_cast<uint32_t>(static_cast<uint64_t>(result)) != monitor::BenchChecksum) {
            state.SkipWithError("wrong checksum");
            return;
        }
    }
    state.counters["per_step"] = benchmark::Counter(static_cast<double>(Steps),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

int64_t workload(std::time_t now) { return monitor::BenchWorkload(1, now); }

void BenchWorkload1(benchmark::State& state) { run<workload>(state); }
void PlainLoop(benchmark::State& state) { run<plainLoop>(state); }
void Erand48Loop(benchmark::State& state) { run<erand48Loop>(state); }

} // namespace

BENCHMARK(BenchWorkload1)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(PlainLoop)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(Erand48Loop)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
