#pragma once
// Shared set-up for the simulator tests: a profile on a hand-driven clock,
// and register access pinned to one simulated CPU.

#include "registers/MsrIndex.h"
#include "sim/SimulatedProcessor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace simtest {

// The seam's CPU sets as masks of the first 64 CPUs, for the profiles that have no more.
inline uint64_t setThreadMask(platform::Processor& processor, uint64_t mask)
{
    return processor.setThreadAffinity(platform::CpuSet::fromMask(mask)).lowMask();
}
inline bool processMasks(platform::Processor& processor, uint64_t& process, uint64_t& system)
{
    platform::CpuSet processCpus, systemCpus;
    const bool ok = processor.processAffinity(processCpus, systemCpus);
    process = processCpus.lowMask();
    system = systemCpus.lowMask();
    return ok;
}
inline bool setProcessMask(platform::Processor& processor, uint64_t mask)
{
    return processor.setProcessAffinity(platform::CpuSet::fromMask(mask));
}

struct Rig {
    std::shared_ptr<sim::ManualClock> clock = std::make_shared<sim::ManualClock>();
    std::unique_ptr<sim::SimulatedProcessor> cpu;

    explicit Rig(const std::string& profile, sim::Options options = fixedLoad(0))
    {
        sim::SimulatedCreation created = sim::createSimulatedProcessor(profile, options, clock);
        EXPECT_TRUE(created.processor) << created.error;
        cpu = std::move(created.processor);
    }

    static sim::Options fixedLoad(double percent)
    {
        sim::Options options;
        options.loadMode = sim::LoadMode::Fixed;
        options.fixedLoadPercent = percent;
        return options;
    }

    void pin(int n) { ASSERT_FALSE(cpu->setThreadAffinity(platform::CpuSet::of(n)).empty()) << "cpu " << n; }

    uint64_t read(int n, uint32_t index)
    {
        pin(n);
        uint32_t low = 0, high = 0;
        EXPECT_TRUE(cpu->readMsr(index, low, high)) << std::hex << "register 0x" << index << " on cpu " << n;
        return msr::join(low, high);
    }

    bool write(int n, uint32_t index, uint64_t value)
    {
        pin(n);
        return cpu->writeMsr(index, msr::lowHalf(value), msr::highHalf(value));
    }

    bool readable(int n, uint32_t index)
    {
        pin(n);
        uint32_t low = 0, high = 0;
        return cpu->readMsr(index, low, high);
    }

    // Programs counters 0 and 1 for unhalted core and reference cycles and the
    // fixed counters 1 and 2, as the monitors do.
    void programCounters(int n)
    {
        using namespace msr::perf_global_ctrl;
        uint64_t enable = Pmc0Enable.mask() | Pmc1Enable.mask() | FixedCtr1Enable.mask() | FixedCtr2Enable.mask();
        write(n, msr::IA32_PERF_GLOBAL_CTRL, read(n, msr::IA32_PERF_GLOBAL_CTRL) | enable);
        write(n, msr::IA32_PERFEVTSEL0, msr::perfevtsel::UnhaltedCoreCycles);
        write(n, msr::IA32_PERFEVTSEL1, msr::perfevtsel::UnhaltedReferenceCycles);
        write(n, msr::IA32_FIXED_CTR_CTRL, msr::fixed_ctr_ctrl::Ctr1Ctr2AllRings);
    }

    void setAllLoads(double percent)
    {
        for (int n = 0; n < cpu->cpuCount(); ++n)
            cpu->setLoad(n, percent);
    }
};

} // namespace simtest
