#pragma once
// Measures, once a tick, the effective multiplier and the C0 share of every
// logical CPU of the process from two programmable counters (unhalted core
// cycles, unhalted reference cycles) and the time-stamp counter, all read on
// the CPU itself with the calling thread pinned there.

#include "common/CounterArithmetic.h"
#include "hw/HardwareAccess.h"
#include "turbo/MultiplierRange.h"
#include "turbo/TurboReading.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace turbo {

// Maps one of the window's per-thread positions to a logical CPU.
struct DisplaySlot {
    int cpu = -1; // the logical CPU shown there; -1 when the slot is empty
};

enum class StartupFailure { None, DriverNotReady, UnsupportedProcessor, AllocationFailed };

struct CoreThreadCount {
    int cores = 0;
    int threads = 0;
};

class TurboSampler;

struct TurboStartup {
    std::unique_ptr<TurboSampler> sampler; // null on failure
    StartupFailure failure = StartupFailure::None;
    int driverStatus = 0;                  // the access layer's status code
    std::string unsupportedReason;         // with UnsupportedProcessor: what the processor lacks

    // The message shown for the failure; empty when there is none.
    std::string message() const;
};

class TurboSampler {
public:
    static constexpr uint32_t kStartupWaitMs = 250;

    // Start-up: initialise the access layer, refuse a processor that is not
    // Intel's, unlock the CPUID leaves, refuse one without the counters the
    // sampler programs, create the sampler, build the slot table, detect the
    // processor class, base ratio and cap, program the counters and take the
    // baseline.
    static TurboStartup start(hw::HardwareAccess& access);

    // The sampler alone (the "create" step); start() does the rest.
    explicit TurboSampler(hw::HardwareAccess& access);

    void buildSlotTable();
    void detectRatios();
    void programCounters();
    void takeBaseline();
    CoreThreadCount countCoresAndThreads();

    TurboReading tick();

    MultiplierRange& range() { return m_range; }
    const MultiplierRange& range() const { return m_range; }

    bool nehalemClass() const { return m_nehalemClass; }
    uint32_t signature() const { return m_signature; }
    double baseRatio() const { return m_baseRatio; }
    double ratioCap() const { return m_ratioCap; }
    double c0Scale() const { return m_c0Scale; }
    uint64_t counterModulus() const { return m_counterModulus; }
    // At least kSlotCount entries; on processors laid out from the topology
    // leaves one per logical CPU of the system set when there are more.
    const std::vector<DisplaySlot>& slotTable() const { return m_slots; }
    // By logical CPU number; CPUs never measured read 0.
    const std::vector<double>& ratios() const { return m_ratio; }
    const std::vector<double>& c0Percent() const { return m_c0Percent; }

private:
    struct CpuReading {
        uint64_t coreCycles = 0;
        uint64_t refCycles = 0;
        uint64_t tsc = 0;
    };

    const platform::CpuSet& readProcessCpus();
    void readMasks();
    // Processors after Sandy Bridge are laid out from the topology leaves.
    bool laterTopology();
    void buildSlotTableInCpuOrder();
    void refreshRatioCap();
    // Measures CPU n (already pinned); counts it in k when it gives a ratio.
    void measureCpu(int n, int& valid, double& ratioSum);

    hw::HardwareAccess& m_access;
    platform::Processor& m_processor;
    MultiplierRange m_range;

    std::vector<double> m_c0Percent;
    std::vector<double> m_ratio;
    std::vector<CpuReading> m_previous;
    std::vector<DisplaySlot> m_slots = std::vector<DisplaySlot>(kSlotCount);

    platform::CpuSet m_processCpus;
    platform::CpuSet m_systemCpus;
    uint32_t m_signature = 0;
    double m_baseRatio = 1.0;
    uint64_t m_counterModulus = common::DefaultCounterWrap;
    bool m_nehalemClass = false;
    double m_ratioCap = 1.0;
    double m_c0Scale = 1.0;
    double m_stdDev = 0.0;
    double m_peakRatio = 0.0;
};

} // namespace turbo
