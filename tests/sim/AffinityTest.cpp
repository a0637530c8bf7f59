// Affinity is virtual: each thread has its own current simulated CPU, and the
// host scheduler is never asked.

#include "SimTestSupport.h"

#include <sched.h>
#include <thread>

namespace {

using simtest::Rig;

uint32_t hostAffinity()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    sched_getaffinity(0, sizeof(set), &set);
    uint32_t mask = 0;
    for (int n = 0; n < 32; ++n)
        if (CPU_ISSET(n, &set))
            mask |= 1u << n;
    return mask;
}

TEST(Affinity, PinningPicksTheLowestSimulatedCpuAndReturnsThePreviousMask)
{
    Rig rig("xeon-x5570-2s");
    sim::SimulatedProcessor& cpu = *rig.cpu;
    uint32_t host = hostAffinity();
    EXPECT_EQ(cpu.currentCpu(), 0) << "an unpinned thread runs on the lowest CPU of the process mask";
    EXPECT_EQ(cpu.setThreadAffinityMask(1u << 15), 0xFFFFu) << "the thread started with the process mask";
    EXPECT_EQ(cpu.currentCpu(), 15);
    EXPECT_EQ(cpu.setThreadAffinityMask(0x00F000F0u), 1u << 15);
    EXPECT_EQ(cpu.currentCpu(), 4);
    EXPECT_EQ(cpu.setThreadAffinityMask(0xFFFF0000u), 0u) << "no simulated CPU in the mask";
    EXPECT_EQ(cpu.setThreadAffinityMask(0), 0u);
    EXPECT_EQ(cpu.currentCpu(), 4) << "a refused mask leaves the thread where it was";
    EXPECT_EQ(hostAffinity(), host) << "the host scheduler is untouched";

    // The pinned CPU answers CPUID: package 1 of the second socket.
    cpu.setThreadAffinityMask(1u << 9);
    EXPECT_EQ(msr::cpuid::features_ebx::InitialApicId.get(cpu.cpuid(1, 0).ebx), 17u);
}

TEST(Affinity, EachThreadHasItsOwnCpu)
{
    Rig rig("i7-980x");
    rig.pin(11);
    int other = -1;
    uint32_t otherApic = 0;
    std::thread worker([&] {
        rig.cpu->setThreadAffinityMask(1u << 3);
        other = rig.cpu->currentCpu();
        otherApic = uint32_t(msr::cpuid::features_ebx::InitialApicId.get(rig.cpu->cpuid(1, 0).ebx));
    });
    worker.join();
    EXPECT_EQ(other, 3);
    EXPECT_EQ(otherApic, 3u);
    EXPECT_EQ(rig.cpu->currentCpu(), 11);
}

TEST(Affinity, ProcessMask)
{
    Rig rig("i7-2600k");
    uint32_t process = 0, system = 0;
    ASSERT_TRUE(rig.cpu->processAffinityMask(process, system));
    EXPECT_EQ(process, 0xFFu);
    EXPECT_EQ(system, 0xFFu);
    EXPECT_FALSE(rig.cpu->setProcessAffinityMask(0xF00));
    EXPECT_TRUE(rig.cpu->setProcessAffinityMask(0x0C));
    rig.cpu->processAffinityMask(process, system);
    EXPECT_EQ(process, 0x0Cu);
    EXPECT_EQ(system, 0xFFu);
}

TEST(Affinity, TimeStampReadsRaceSafelyWithRegisterAccess)
{
    // A clock thread reads the TSC while the main thread samples counters.
    Rig rig("i7-920", Rig::fixedLoad(50));
    std::atomic<bool> stop{false};
    uint64_t last = 0;
    bool monotonic = true;
    std::thread clockThread([&] {
        rig.cpu->setThreadAffinityMask(1u << 7);
        while (!stop) {
            uint64_t tsc = rig.cpu->rdtsc();
            monotonic = monotonic && tsc >= last;
            last = tsc;
        }
    });
    for (int round = 0; round < 2000; ++round) {
        rig.clock->advance(1000);
        rig.read(round % 8, msr::IA32_PMC0);
        rig.write(round % 8, msr::IA32_PERFEVTSEL0, msr::perfevtsel::UnhaltedCoreCycles);
    }
    stop = true;
    clockThread.join();
    EXPECT_TRUE(monotonic);
}

TEST(Clocks, SleepAdvancesAManualClockAndTheSeamReadsIt)
{
    Rig rig("e8400");
    int64_t start = rig.cpu->performanceCounter();
    rig.cpu->sleep(125);
    EXPECT_EQ(rig.cpu->performanceCounter() - start, 125000000);
    EXPECT_EQ(rig.cpu->performanceFrequency(), 1000000000);
    EXPECT_EQ(rig.cpu->tickCount(), 125u);
}

} // namespace
