#pragma once
// Records the seam calls that one piece of monitoring work makes (a turbo
// sampler tick, one UpdateReadings) and replays them on the simulated
// processor alone, so the simulator's share of the cost can be told from the
// code's own.

#include "platform/ForwardingProcessor.h"
#include "registers/MsrIndex.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace seam_bench {

struct SeamCall {
    enum Kind { Read, Write, Pin, Select, Tsc, Masks, Sleep, Cpuid, Qpc, Tick, LocalTime } kind;
    uint32_t index;
    uint64_t value;
};

class RecordingProcessor : public platform::ForwardingProcessor {
public:
    explicit RecordingProcessor(platform::Processor& inner) : ForwardingProcessor(inner) {}
    std::atomic<bool> recording = false;
    // When set, only the calls of this thread are recorded (a program's
    // worker threads use the same processor).
    std::thread::id onlyThread{};
    std::vector<SeamCall> calls;

    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override
    {
        record({SeamCall::Read, index, 0});
        return inner().readMsr(index, low, high);
    }
    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override
    {
        record({SeamCall::Write, index, (uint64_t(high) << 32) | low});
        return inner().writeMsr(index, low, high);
    }
    platform::CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf) override
    {
        record({SeamCall::Cpuid, leaf, subleaf});
        return inner().cpuid(leaf, subleaf);
    }
    uint64_t rdtsc() override
    {
        record({SeamCall::Tsc, 0, 0});
        return inner().rdtsc();
    }
    // A selection is recorded with its CPU in index (-1: none).
    bool selectCpu(int cpu) override
    {
        record({SeamCall::Select, static_cast<uint32_t>(cpu), 0});
        return inner().selectCpu(cpu);
    }
    // A pin is recorded by the CPUs below 64 it names: the recorded ticks
    // come from the simulated processors, which have no more.
    platform::CpuSet setThreadAffinity(const platform::CpuSet& cpus) override
    {
        record({SeamCall::Pin, 0, cpus.lowMask()});
        return inner().setThreadAffinity(cpus);
    }
    bool processAffinity(platform::CpuSet& process, platform::CpuSet& system) override
    {
        record({SeamCall::Masks, 0, 0});
        return inner().processAffinity(process, system);
    }
    void sleep(uint32_t milliseconds) override
    {
        record({SeamCall::Sleep, milliseconds, 0});
        inner().sleep(milliseconds);
    }
    int64_t performanceCounter() override
    {
        record({SeamCall::Qpc, 0, 0});
        return inner().performanceCounter();
    }
    uint32_t tickCount() override
    {
        record({SeamCall::Tick, 0, 0});
        return inner().tickCount();
    }
    std::tm localTime() override
    {
        record({SeamCall::LocalTime, 0, 0});
        return inner().localTime();
    }

private:
    void record(const SeamCall& call)
    {
        if (recording && (onlyThread == std::thread::id{} || onlyThread == std::this_thread::get_id()))
            calls.push_back(call);
    }
};

// How a replay reaches a CPU: as recorded (a selection, no system call), or
// as the programs did before CPUs could be selected: affinity onto the CPU
// and a yield for each selection, back onto the whole set to end one, and the
// RDTSC of the CPU moved to for a time stamp recorded as a register read.
enum class Reach { AsRecorded, Migrating };

struct ReplayOptions {
    Reach reach = Reach::AsRecorded;
    // CPU numbers taken modulo this (0: as recorded), so a recording from a
    // larger simulated processor runs on this machine's CPUs.
    int foldCpus = 0;
    // The set a migration goes back to and pins are kept within; empty: all
    // of the recorded pin.
    platform::CpuSet everyCpu;
};

// Makes the recorded calls on the processor directly; returns a value that
// depends on every result so nothing is optimised away.
__attribute__((noinline)) inline uint64_t replaySeamCalls(platform::Processor& processor,
                                                          const std::vector<SeamCall>& calls,
                                                          const ReplayOptions& options = {})
{
    uint64_t sink = 0;
    uint32_t low = 0;
    uint32_t high = 0;
    platform::CpuSet process;
    platform::CpuSet system;
    const bool migrating = options.reach == Reach::Migrating;
    const auto fold = [&options](int cpu) { return cpu < 0 || options.foldCpus <= 0 ? cpu : cpu % options.foldCpus; };
    for (const SeamCall& call : calls) {
        switch (call.kind) {
        case SeamCall::Read:
            if (migrating && call.index == msr::IA32_TIME_STAMP_COUNTER) {
                sink += processor.rdtsc();
                break;
            }
            processor.readMsr(call.index, low, high);
            sink += low ^ high;
            break;
        case SeamCall::Write:
            processor.writeMsr(call.index, static_cast<uint32_t>(call.value), static_cast<uint32_t>(call.value >> 32));
            break;
        case SeamCall::Pin: {
            platform::CpuSet pin = platform::CpuSet::fromMask(call.value);
            if (!options.everyCpu.empty())
                pin = pin & options.everyCpu;
            sink += processor.setThreadAffinity(pin).count();
            break;
        }
        case SeamCall::Select: {
            const int cpu = fold(static_cast<int>(call.index));
            if (!migrating) {
                sink += processor.selectCpu(cpu);
                break;
            }
            sink += processor.setThreadAffinity(cpu < 0 ? options.everyCpu : platform::CpuSet::of(cpu)).count();
            processor.sleep(0);
            break;
        }
        case SeamCall::Tsc: sink += processor.rdtsc(); break;
        case SeamCall::Masks:
            processor.processAffinity(process, system);
            sink += process.count();
            break;
        case SeamCall::Sleep: processor.sleep(call.index); break;
        case SeamCall::Cpuid: sink += processor.cpuid(call.index, static_cast<uint32_t>(call.value)).eax; break;
        case SeamCall::Qpc: sink += static_cast<uint64_t>(processor.performanceCounter()); break;
        case SeamCall::Tick: sink += processor.tickCount(); break;
        case SeamCall::LocalTime: sink += static_cast<uint64_t>(processor.localTime().tm_sec); break;
        }
    }
    return sink;
}

struct CallCounts {
    int reads = 0;
    int writes = 0;
    int pins = 0;
    int selects = 0;
    int tscReads = 0;
};

inline CallCounts countCalls(const std::vector<SeamCall>& calls)
{
    CallCounts counts;
    for (const SeamCall& call : calls) {
        counts.reads += call.kind == SeamCall::Read;
        counts.writes += call.kind == SeamCall::Write;
        counts.pins += call.kind == SeamCall::Pin;
        counts.selects += call.kind == SeamCall::Select;
        counts.tscReads += call.kind == SeamCall::Tsc;
    }
    return counts;
}

} // namespace seam_bench
