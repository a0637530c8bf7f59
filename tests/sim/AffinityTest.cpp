// Affinity is virtual: each thread has its own current simulated CPU, and the
// host scheduler is never asked.

#include "SimTestSupport.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sched.h>
#include <string>
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
    EXPECT_EQ(simtest::setThreadMask(cpu, 1u << 15), 0xFFFFu) << "the thread started with the process mask";
    EXPECT_EQ(cpu.currentCpu(), 15);
    EXPECT_EQ(simtest::setThreadMask(cpu, 0x00F000F0u), 1u << 15);
    EXPECT_EQ(cpu.currentCpu(), 4);
    EXPECT_EQ(simtest::setThreadMask(cpu, 0xFFFF0000u), 0u) << "no simulated CPU in the mask";
    EXPECT_EQ(simtest::setThreadMask(cpu, 0), 0u);
    EXPECT_EQ(cpu.currentCpu(), 4) << "a refused mask leaves the thread where it was";
    EXPECT_EQ(hostAffinity(), host) << "the host scheduler is untouched";

    // The pinned CPU answers CPUID: package 1 of the second socket.
    simtest::setThreadMask(cpu, 1u << 9);
    EXPECT_EQ(msr::cpuid::features_ebx::InitialApicId.get(cpu.cpuid(1, 0).ebx), 17u);
}

TEST(Affinity, EachThreadHasItsOwnCpu)
{
    Rig rig("i7-980x");
    rig.pin(11);
    int other = -1;
    uint32_t otherApic = 0;
    std::thread worker([&] {
        simtest::setThreadMask(*rig.cpu, 1u << 3);
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
    uint64_t process = 0, system = 0;
    ASSERT_TRUE(simtest::processMasks(*rig.cpu, process, system));
    EXPECT_EQ(process, 0xFFu);
    EXPECT_EQ(system, 0xFFu);
    EXPECT_FALSE(simtest::setProcessMask(*rig.cpu, 0xF00));
    EXPECT_TRUE(simtest::setProcessMask(*rig.cpu, 0x0C));
    simtest::processMasks(*rig.cpu, process, system);
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
        simtest::setThreadMask(*rig.cpu, 1u << 7);
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

TEST(Affinity, RestrictedCpusRefuseThePinningAsTheKernelDoes)
{
    sim::Options options = Rig::fixedLoad(0);
    options.allowedCpus = platform::CpuSet::fromMask(0x33); // 0-1,4-5
    Rig rig("i7-2600k", options);
    sim::SimulatedProcessor& cpu = *rig.cpu;
    uint64_t process = 0, system = 0;
    ASSERT_TRUE(simtest::processMasks(cpu, process, system));
    EXPECT_EQ(process, 0x33u);
    EXPECT_EQ(system, 0x33u);
    EXPECT_EQ(simtest::setThreadMask(cpu, 1u << 4), 0x33u);
    EXPECT_EQ(simtest::setThreadMask(cpu, 1u << 2), 0u) << "outside the allowed CPUs";
    EXPECT_EQ(cpu.currentCpu(), 4) << "a refused mask leaves the thread where it was";
    EXPECT_NE(simtest::setThreadMask(cpu, 0x0C | 0x20), 0u) << "the allowed part of a mask is kept";
    EXPECT_EQ(cpu.currentCpu(), 5);
    EXPECT_FALSE(simtest::setProcessMask(cpu, 0xCC));

    // A cpuset narrowed while running: the reported masks stay as at start.
    cpu.restrictAffinity(platform::CpuSet::fromMask(0x03));
    EXPECT_EQ(cpu.currentCpu(), 0) << "moved off the CPU taken away";
    EXPECT_EQ(simtest::setThreadMask(cpu, 1u << 4), 0u);
    simtest::processMasks(cpu, process, system);
    EXPECT_EQ(system, 0x33u);

    options.allowedCpus = platform::CpuSet::fromMask(0xFF00);
    EXPECT_NE(sim::createSimulatedProcessor("i7-2600k", options).error.find("SIMULATED_AFFINITY"), std::string::npos)
        << "none of the profile's CPUs allowed";
}

TEST(Affinity, ReadsAreLoggedWithTheCpuTheyRanOn)
{
    Rig rig("i7-2600k");
    rig.read(3, msr::IA32_THERM_STATUS);
    rig.cpu->cpuid(1, 0);
    rig.pin(6);
    rig.cpu->rdtsc();
    const std::vector<sim::ReadRecord> reads = rig.cpu->reads();
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[0].cpu, 3);
    EXPECT_EQ(reads[0].kind, sim::ReadKind::Register);
    EXPECT_EQ(reads[0].index, msr::IA32_THERM_STATUS);
    EXPECT_EQ(reads[1].cpu, 3);
    EXPECT_EQ(reads[1].kind, sim::ReadKind::Cpuid);
    EXPECT_EQ(reads[2].cpu, 6);
    EXPECT_EQ(reads[2].kind, sim::ReadKind::TimeStamp);

    const std::string path = testing::TempDir() + "affinity-audit.txt";
    ASSERT_TRUE(rig.cpu->writeAudit(path));
    std::ifstream audit(path);
    std::string text((std::istreambuf_iterator<char>(audit)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "read 3 0x19C\ncpuid 3 0x1\nrdtsc 6\n");
    std::remove(path.c_str());
}

} // namespace
