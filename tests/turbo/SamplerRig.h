#pragma once
// A turbo sampler on the scripted processor, with helpers that run a CPU at
// a given multiplier and C0 share for one tick.

#include "FakeTurboProcessor.h"
#include "turbo/TurboSampler.h"

#include <cmath>
#include <memory>

namespace turbo::test {

struct SamplerRig {
    static constexpr uint32_t kPerfmonV3Width48 = 0x07300403;
    static constexpr uint32_t kPerfmonV2Width40 = 0x07280202;

    FakeTurboProcessor cpu;
    std::unique_ptr<hw::HardwareAccess> access;
    std::unique_ptr<TurboSampler> sampler;
    unsigned base = 20;

    // A Nehalem-class processor (signature 0x106A5) with the given CPUs,
    // base ratio and MSR_TURBO_RATIO_LIMIT.
    void nehalem(uint32_t mask, unsigned baseRatio, uint64_t turboLimits, uint32_t perfmonEax = kPerfmonV3Width48)
    {
        base = baseRatio;
        cpu.setMasks(mask, mask);
        cpu.setCpuid(0x1, {0x106A5, 0x00100800, 0, 0});
        cpu.setCpuid(0xA, {perfmonEax, 0, 0, 0x603});
        cpu.setMsrAll(msr::MSR_PLATFORM_INFO, msr::platform_info::MaxNonTurboRatio.set(0, baseRatio));
        cpu.setMsrAll(msr::MSR_TURBO_RATIO_LIMIT, turboLimits);
        cpu.setMsrAll(msr::MSR_POWER_CTL, 0);
        common();
    }

    // A Core 2 processor: PERF_STATUS maximum ratio and PLATFORM_ID ratio in
    // tenths (95 = 9.5), register 0xCE's ratio likewise.
    void core2(uint32_t mask, uint32_t perfStatusTenths, uint32_t platformIdTenths, uint32_t platformInfoTenths = 0)
    {
        cpu.setMasks(mask, mask);
        cpu.setCpuid(0x0, {0xD, 0x756E6547, 0x6C65746E, 0x49656E69}); // "GenuineIntel"
        cpu.setCpuid(0x1, {0x10676, 0x00020800, 0, 0});
        cpu.setCpuid(0xA, {kPerfmonV2Width40, 0, 0, 0x503});
        namespace ps = msr::perf_status;
        namespace pid = msr::platform_id;
        namespace pi = msr::platform_info;
        cpu.setMsrAll(msr::IA32_PERF_STATUS, tenthsField(perfStatusTenths, ps::MaxRatio, ps::MaxHalfRatio));
        cpu.setMsrAll(msr::IA32_PLATFORM_ID, tenthsField(platformIdTenths, pid::MaxQualifiedRatio, pid::MaxQualifiedHalfRatio));
        cpu.setMsrAll(msr::MSR_PLATFORM_INFO, tenthsField(platformInfoTenths, pi::Core2MaxRatio, pi::Core2MaxHalfRatio));
        common();
    }

    static uint64_t tenthsField(uint32_t tenths, msr::Field ratio, msr::Field half)
    {
        return half.set(ratio.set(0, tenths / 10), tenths % 10 == 5 ? 1 : 0);
    }

    void common()
    {
        cpu.setMsrAll(msr::IA32_MISC_ENABLE, 0x00450089);   // bit 22 set: CPUID limited
        cpu.setMsrAll(msr::IA32_PMC0, 0);
        cpu.setMsrAll(msr::IA32_PMC1, 0);
        cpu.setMsrAll(msr::IA32_PERFEVTSEL0, 0);
        cpu.setMsrAll(msr::IA32_PERFEVTSEL1, 0);
        cpu.setMsrAll(msr::IA32_PERF_GLOBAL_CTRL, 0);
    }

    TurboStartup start()
    {
        access = std::make_unique<hw::HardwareAccess>(cpu);
        TurboStartup result = TurboSampler::start(*access);
        if (result.sampler)
            sampler = std::move(result.sampler);
        return result;
    }

    // One tick's worth of counting on one CPU: busy for `c0` (0..1) of
    // `tscCycles` at `multiplier`. Reference cycles tick at the bus clock,
    // base ratio times slower than the time-stamp counter.
    void run(int n, double multiplier, double c0, uint64_t tscCycles = 200'000'000)
    {
        auto busy = static_cast<uint64_t>(std::llround(c0 * static_cast<double>(tscCycles)));
        uint64_t ref = busy / base;
        auto core = static_cast<uint64_t>(std::llround(multiplier * static_cast<double>(ref)));
        cpu.advance(n, core, ref, tscCycles);
    }
};

} // namespace turbo::test
