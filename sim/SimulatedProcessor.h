#pragma once
// A modelled Intel processor behind the platform seam. CPUID answers come
// from the profile's dump with each logical CPU's own APIC id; RDTSC runs at
// the nominal frequency of the clock; registers follow ProcessorModel and
// RegisterFile. Affinity is virtual: each calling thread has a current
// simulated CPU and the host scheduler is never touched, so a 16-CPU profile
// runs on a 2-CPU host.
//
// SIMULATED_AFFINITY (Options::allowedCpus) restricts the CPUs the process
// may run on as a cpuset or taskset does: a thread or process set with none
// of them is refused (the kernel's EINVAL), a set with some of them keeps
// those, and both sets the seam reports show only them.
//
// A thread selects a CPU for register access and CPUID (selectCpu) without
// moving, as on Linux: the access is made on, and logged for, the selected
// CPU; a CPU outside the allowed set cannot be selected. RDTSC runs where
// the thread runs.
//
// Every register read, CPUID and RDTSC is logged with the CPU it executed on
// (unless Options::auditRecords drops the records),
// so tests and the audit file show that nothing was read in another CPU's
// name.
//
// The machine (SimulatedMachine) holds the registers, counters and
// temperatures: of this object alone, or shared with every program started
// with the same SIMULATED_CPU and SIMULATED_MACHINE (Options::machineName).
//
// A program's thread is never fully halted while it runs: each CPU one of
// its threads is pinned to (the lowest CPU of its set) keeps a small busy
// share, so the counters show the clock even on an idle machine.
//
// CPUID answers from the profile's dump, or on the CPUs of a profile's other
// dumps (the efficient cores of a hybrid processor) from theirs; leaves 1,
// 0xB and 0x1F carry the asking CPU's APIC id.
//
// Thread safety: this object's own state sits behind one mutex and the
// machine's behind the machine's lock, taken in that order. RDTSC takes
// neither while its thread stays where it ran the previous one and no
// records are kept, so a clock thread reads the TSC undisturbed while
// another thread reads and writes registers.

#include "platform/Processor.h"
#include "platform/ThreadCpuSelection.h"
#include "sim/Clock.h"
#include "sim/CpuidTable.h"
#include "sim/Options.h"
#include "sim/ProcessorModel.h"
#include "sim/Profile.h"
#include "sim/RegisterFile.h"
#include "sim/SimulatedMachine.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace sim {

// One register write as the program issued it.
struct WriteRecord {
    int cpu;
    uint32_t index;
    uint64_t value;
    WriteOutcome outcome;
    int64_t nanoseconds; // clock time of the write
};

enum class ReadKind { Register, Cpuid, TimeStamp };

// One read as the program issued it: the register index, the CPUID leaf, or 0
// for the time-stamp counter, and the CPU it executed on.
struct ReadRecord {
    int cpu;
    ReadKind kind;
    uint32_t index;
};

class SimulatedProcessor : public platform::Processor {
public:
    static constexpr size_t AuditCapacity = 65536; // the oldest writes and reads are dropped beyond this

    // Without a machine the processor gets one of its own. coreTables: the
    // tables of Profile::coreDumps, in that order.
    SimulatedProcessor(const Profile& profile, CpuidTable cpuid, const Options& options, std::shared_ptr<Clock> clock,
                       std::unique_ptr<SimulatedMachine> machine = nullptr, std::vector<CpuidTable> coreTables = {});

    void initialise() override {}
    int status() override { return 0; }
    bool capabilityTest() override { return true; }
    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override;
    bool writeMsr(uint32_t index, uint32_t low, uint32_t high) override;
    // Writes the audit file of Options::auditPath, when there is one.
    void deinitialise() override;

    platform::CpuidRegisters cpuid(uint32_t leaf, uint32_t subleaf) override;
    uint64_t rdtsc() override;
    bool selectCpu(int cpu) override;

    platform::CpuSet setThreadAffinity(const platform::CpuSet& cpus) override;
    bool processAffinity(platform::CpuSet& process, platform::CpuSet& system) override;
    bool setProcessAffinity(const platform::CpuSet& cpus) override;
    int currentCpu() override;

    void sleep(uint32_t milliseconds) override { m_clock->sleep(milliseconds); }
    void setPriorityClass(platform::PriorityClass) override {}
    void setThreadPriority(platform::ThreadPriority) override {}

    int64_t performanceCounter() override { return m_clock->nanoseconds(); }
    int64_t performanceFrequency() override { return 1000000000LL; }
    uint32_t tickCount() override;
    std::tm localTime() override;

    const Profile& profile() const { return m_profile; }
    const Options& options() const { return m_options; }
    // The graphics processors SIMULATED_GPU asked for, for the GPU stand-ins.
    GpuCounts simulatedGpus() const { return m_options.gpus; }
    int cpuCount() const { return m_model.topology().cpuCount(); }
    // The CPUs the process may run on now.
    platform::CpuSet allowedCpus() const;
    Clock& clock() { return *m_clock; }

    // Test hooks.
    void setLoad(int cpu, double percent);
    // The share of time the CPU is busy now, 0..1, whatever gave it.
    double load(int cpu);
    void pinReadout(int core, std::optional<int> readout);
    std::optional<uint64_t> peek(int cpu, uint32_t index);
    bool poke(int cpu, uint32_t index, uint64_t value);
    std::vector<WriteRecord> writes() const;
    uint64_t writeCount() const;
    void clearWrites();
    std::vector<ReadRecord> reads() const;
    void clearReads();
    // Narrows the CPUs threads may be pinned to, as a cpuset changed while the
    // program runs; the sets the seam reports stay as they were at start,
    // as the host's do. A narrowing that leaves none of the profile's CPUs
    // is refused, as the kernel refuses to empty a cpuset with tasks in it.
    void restrictAffinity(const platform::CpuSet& allowed);
    // The reads still held, oldest first ("read <cpu> 0x<index>", "cpuid
    // <cpu> 0x<leaf>", "rdtsc <cpu>"), the writes still held ("write <cpu>
    // 0x<index> 0x<value> <applied|ignored|faulted>"), then the value every
    // register written there holds now ("final <cpu> 0x<index> 0x<value>").
    // False when the file cannot be written.
    bool writeAudit(const std::string& path);
    double packageWatts(int package);
    double coreCelsius(int core);

private:
    int currentCpuLocked();
    // The CPU a register access or CPUID of the calling thread is made on:
    // the selected one, else the one the thread runs on.
    int accessCpuLocked();
    // The CPU a thread that wants `cpus` runs on: the lowest it may use.
    int cpuOf(const platform::CpuSet& cpus) const;
    // After the allowed or the process set changed: where every thread runs now.
    void placeThreads();
    // Gives the machine the CPUs this program's threads sit on now.
    void updateBusyFloor();
    // After a thread's CPU changed: RDTSC looks where the thread runs again.
    void threadsMoved();
    void logRead(int cpu, ReadKind kind, uint32_t index);
    bool validCpu(int cpu) const { return cpu >= 0 && cpu < cpuCount(); }

    const Profile& m_profile;
    CpuidTable m_cpuid;
    std::vector<CpuidTable> m_coreTables; // by LogicalCpu::coreGroup
    Options m_options;
    std::shared_ptr<Clock> m_clock;

    mutable std::mutex m_lock;
    platform::ThreadCpuSelection m_selection;
    std::unique_ptr<SimulatedMachine> m_machine;
    ProcessorModel m_model;
    RegisterFile m_registers;
    platform::CpuSet m_startCpus;   // the CPUs allowed at start: the system set reported
    platform::CpuSet m_allowedCpus; // the CPUs threads may be pinned to now
    platform::CpuSet m_processCpus;
    int m_processCpu = 0;           // where a thread that never pinned itself runs
    // The threads that pinned themselves: a handful at most, looked up on
    // every access, so a short list searched in order, each with the CPU it
    // runs on worked out when a set changes.
    struct PinnedThread {
        std::thread::id id;
        platform::CpuSet wanted;
        int cpu;
    };
    std::vector<PinnedThread> m_pinned;
    PinnedThread* pinnedThread(std::thread::id thread);
    bool m_unpinnedThreadSeen = false; // a thread ran here on the process set
    std::atomic<uint64_t> m_placement{0}; // changes whenever a thread's CPU does
    std::deque<ReadRecord> m_reads;
    std::deque<WriteRecord> m_writes;
    uint64_t m_writeCount = 0;
};

// The simulated processor of that profile, or an error naming the profiles.
struct SimulatedCreation {
    std::unique_ptr<SimulatedProcessor> processor;
    std::string error;
};
SimulatedCreation createSimulatedProcessor(std::string_view profileName, const Options& options = {},
                                           std::shared_ptr<Clock> clock = nullptr);

} // namespace sim
