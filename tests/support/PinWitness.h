#pragma once
// A processor decorator that catches accesses made in another CPU's name: it
// records every register read, register write and CPUID a thread makes while
// its last CPU selection was refused (the access then goes to whatever CPU
// the thread runs on), and every RDTSC made on another CPU than the one its
// last single-CPU affinity request asked for.

#include "platform/ForwardingProcessor.h"
#include "sim/SimulatedProcessor.h"

#include <bit>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class PinWitness : public platform::ForwardingProcessor {
public:
    using ForwardingProcessor::ForwardingProcessor;

    // "<what> for CPU <asked> ran on CPU <actual>", one per stray access.
    std::vector<std::string> strays() const
    {
        std::lock_guard lock(m_lock);
        return m_strays;
    }

    platform::CpuSet setThreadAffinity(const platform::CpuSet& cpus) override
    {
        platform::CpuSet previous = inner().setThreadAffinity(cpus);
        std::lock_guard lock(m_lock);
        m_asked[std::this_thread::get_id()] = cpus.count() == 1 ? cpus.first() : AnyCpu;
        return previous;
    }
    bool selectCpu(int cpu) override
    {
        const bool ok = inner().selectCpu(cpu);
        std::lock_guard lock(m_lock);
        if (ok)
            m_refused.erase(std::this_thread::get_id());
        else
            m_refused[std::this_thread::get_id()] = cpu;
        return ok;
    }
    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override
    {
        checkSelection("read 0x" + hex(index));
        return inner().readMsr(index, low, high);
    }
    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override
    {
        checkSelection("write 0x" + hex(index));
        return inner().writeMsr(index, low, high);
    }
    platform::CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf) override
    {
        checkSelection("cpuid 0x" + hex(leaf));
        return inner().cpuid(leaf, subleaf);
    }
    uint64_t rdtsc() override
    {
        checkPlacement("rdtsc");
        return inner().rdtsc();
    }

private:
    static constexpr int AnyCpu = -1;

    static std::string hex(uint32_t value)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%X", value);
        return text;
    }

    void checkSelection(const std::string& what)
    {
        std::lock_guard lock(m_lock);
        auto it = m_refused.find(std::this_thread::get_id());
        if (it != m_refused.end())
            m_strays.push_back(what + " for CPU " + std::to_string(it->second) + ", which refused the selection");
    }

    void checkPlacement(const std::string& what)
    {
        const int actual = inner().currentCpu();
        std::lock_guard lock(m_lock);
        auto it = m_asked.find(std::this_thread::get_id());
        if (it != m_asked.end() && it->second != AnyCpu && it->second != actual)
            m_strays.push_back(what + " for CPU " + std::to_string(it->second) + " ran on CPU "
                               + std::to_string(actual));
    }

    mutable std::mutex m_lock;
    std::map<std::thread::id, int> m_asked;
    std::map<std::thread::id, int> m_refused; // the CPU whose selection was refused last
    std::vector<std::string> m_strays;
};

// How a cpuset restricts the simulated i7-2600K in the refused-pinning tests.
enum class Narrowing { None, BeforeStartup, WhileRunning };

struct RestrictionCase {
    const char* name;
    uint32_t allowedAtStart; // SIMULATED_AFFINITY
    uint32_t narrowedTo;     // a cpuset changed later; with Narrowing::None unused
    Narrowing when;

    // The CPUs allowed once the narrowing has happened.
    uint32_t allowed() const { return when == Narrowing::None ? allowedAtStart : narrowedTo; }
};

// On the i7-2600K logical CPUs 2c and 2c + 1 are core c's two threads.
inline const RestrictionCase restrictionCases[] = {
    {"cores 0 and 2 allowed at start", 0x33, 0, Narrowing::None},
    {"CPU 0 not allowed", 0xCC, 0, Narrowing::None},
    {"narrowed before start-up", 0xFF, 0x33, Narrowing::BeforeStartup},
    {"narrowed while running", 0xFF, 0x33, Narrowing::WhileRunning},
};

// The i7-2600K at a fixed load with the case's CPUs allowed at start, on a
// manual clock; narrowed already when the case narrows before start-up.
inline std::unique_ptr<sim::SimulatedProcessor> restrictedI7_2600k(const RestrictionCase& c, int loadPercent,
                                                                   std::shared_ptr<sim::ManualClock> clock)
{
    sim::Options options;
    options.loadMode = sim::LoadMode::Fixed;
    options.fixedLoadPercent = loadPercent;
    options.allowedCpus = platform::CpuSet::fromMask(c.allowedAtStart);
    sim::SimulatedCreation created = sim::createSimulatedProcessor("i7-2600k", options, std::move(clock));
    if (created.processor && c.when == Narrowing::BeforeStartup)
        created.processor->restrictAffinity(platform::CpuSet::fromMask(c.narrowedTo));
    return std::move(created.processor);
}

} // namespace testsupport
