#pragma once
// The physics of a simulated processor: which ratio each package runs at,
// how the counters advance with load, ratio and clock modulation, how each
// core's temperature follows its power, and how much energy each package
// draws. State advances lazily: advance(now) moves the machine's time on,
// and each CPU's counters, core's temperatures and package's energy are
// integrated up to it when something reads or writes them, with the loads
// and register settings that held meanwhile. Before those rates change,
// everything is integrated up to the machine's time, so the results are
// those of integrating everything at every step, at a cost per register
// access that does not grow with the CPU count.
//
// The operating system's frequency governor is part of the model: while
// SpeedStep is enabled it rewrites each CPU's IA32_PERF_CTL request from
// that CPU's load whenever its choice changes, from the lowest ratio when
// idle to the turbo request when busy, as an on-demand governor does. A
// request a program writes holds until the governor's choice next changes.
//
// Loads: SIMULATED_LOAD fixes every CPU's load, or the host's CPUs give it,
// one core at a time: host CPU k loads the first thread of simulated core k,
// the second threads follow once every core has one, and simulated CPUs
// beyond the host's count stay idle. A CPU that one of the attached
// programs' threads sits on is never fully halted (the busy floor).
//
// Temperatures: each core's die follows its power within seconds, the heat
// spreader and cooler under it within tens of seconds; each core has its own
// fixed offset from the profile, and its digital sensor a little repeatable
// noise. A machine powers on at idle temperature.
//
// All state sits in a MachineState, possibly shared with other programs:
// the caller holds the machine's lock around every call.

#include "sim/HostLoadSource.h"
#include "sim/Options.h"
#include "sim/ProcessorState.h"
#include "sim/Profile.h"
#include "sim/SimulatedMachine.h"
#include "sim/Topology.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace sim {

// What the processor's CPUID says about its counters and clock modulation.
struct CpuidFacts {
    int generalCounters = 2;            // leaf 0x0A EAX[15:8]
    unsigned generalWidth = 40;         // leaf 0x0A EAX[23:16]
    unsigned fixedWidth = 40;           // leaf 0x0A EDX[12:5]
    bool extendedClockModulation = false; // leaf 6 EAX bit 5: duty in sixteenths
    bool hwp = false;                   // leaf 6 EAX bit 7: hardware P-states (IA32_PM_ENABLE)
};

// The share of time a CPU with one of the programs' threads on it is busy at least.
constexpr double BusyFloorShare = 0.02;
// A load at or above this share makes the governor ask for the highest ratio.
constexpr double GovernorUpThreshold = 0.80;
// Peak deviation of the digital thermal sensor from the die temperature.
constexpr double SensorNoiseCelsius = 0.25;
// The sensor noise changes this often (nanoseconds).
constexpr int64_t SensorNoisePeriod = 200000000;

class ProcessorModel {
public:
    // Powers the machine on when it is new to `machine`, else joins it as it is.
    ProcessorModel(const Profile& profile, const Options& options, CpuidFacts facts, SimulatedMachine& machine,
                   int64_t nowNanoseconds);
    ~ProcessorModel();
    ProcessorModel(const ProcessorModel&) = delete;
    ProcessorModel& operator=(const ProcessorModel&) = delete;

    const Profile& profile() const { return m_profile; }
    const Topology& topology() const { return m_topology; }
    const CpuidFacts& facts() const { return m_facts; }

    // Moves the machine's time on to now (and reads the host's load when due).
    void advance(int64_t nowNanoseconds);
    // Brings a CPU's counters, a core's temperatures and thermal log, a
    // package's energy and power, or all of them up to the machine's time.
    void integrateCpu(int cpu);
    void integrateCore(int core);
    void integratePackage(int package);
    void integrateAll();
    // Settles the ratios again after a register or load change (call after advance()).
    void settle();
    // The bytes of a CPU's registers and its package's, the only ones a write
    // to that CPU reaches: whether a write changed anything.
    struct RegisterImage {
        std::array<std::byte, sizeof(CpuState)> cpu;
        std::array<std::byte, sizeof(PackageState)> package;
    };
    RegisterImage registerImage(int cpu) const;
    bool registersMatch(int cpu, const RegisterImage& image) const;

    CpuState& cpu(int n) { return state().cpus[static_cast<size_t>(n)]; }
    const CpuState& cpu(int n) const { return state().cpus[static_cast<size_t>(n)]; }
    CoreState& core(int c) { return state().cores[static_cast<size_t>(c)]; }
    PackageState& package(int p) { return state().packages[static_cast<size_t>(p)]; }
    PackageState& packageOf(int cpu) { return package(m_topology.cpu(cpu).package); }

    // A test's load for one CPU (0..100 %), or back to the configured source.
    void setLoadOverride(int cpu, std::optional<double> percent);
    double loadFraction(int n) const { return cpu(n).loadFraction; }
    // The CPUs this program's threads sit on now.
    void setBusyFloor(const CpuBits& cpus);
    // Reads the configured loads again (a register write may have switched SpeedStep).
    void refreshLoads();

    // Ratio the package runs at now, in tenths.
    int packageRatioTenths(int package) const { return state().packageRatio[static_cast<size_t>(package)]; }
    // Ratio a logical CPU runs at now: its package's, or on the cores of a
    // profile's other dump (efficient cores) the package's scaled to their
    // own highest ratio, in whole ratios.
    int cpuRatioTenths(int cpu) const;
    // True while hardware P-states run the package: IA32_PERF_CTL has no effect.
    bool hwpActive(int package) const;
    // True while turbo (or Core 2 dynamic acceleration) may engage on the package.
    bool turboAllowed(int package) const;
    // Share of time on-demand clock modulation lets the CPU run, 0..1.
    double duty(int cpu) const;
    double volts(int ratioTenths) const;
    // The ratio the governor asks for at this load.
    int governorRatioTenths(double load) const;

    // The die temperature of a core, and what its sensor reads (degrees below TjMax).
    double celsius(int core) const;
    int readout(int core) const;
    void pinReadout(int core, std::optional<int> readout);
    double tscHz() const;
    // Needs no machine lock: the epoch only changes at power-on, and the
    // offset is read and written whole.
    uint64_t tsc(int cpu, int64_t nowNanoseconds) const;
    // Sets the CPU's time-stamp counter to `value` now.
    void setTsc(int cpu, uint64_t value, int64_t nowNanoseconds);
    // Energy units per joule of MSR_PKG_ENERGY_STATUS.
    double energyUnitsPerJoule() const;

private:
    MachineState& state() { return m_machine.state(); }
    const MachineState& state() const { return m_machine.state(); }
    void powerOn(int64_t nowNanoseconds);
    // After the machine left its shared file: the state is zero.
    void powerOnAgain();
    double configuredLoad(int cpu) const;
    bool applyGovernor(); // true when it changed a request
    uint64_t governorRequest(int cpu, int ratioTenths) const;
    double coreActivity(int core) const;
    int requestedRatioTenths(int package) const;
    // The ratio hardware P-states pick: the governor's choice for the busiest CPU.
    int autonomousRatioTenths(int package) const;
    int turboRatioTenths(int package) const;
    double powerLimitWatts(int package) const;
    double powerScale(int ratioTenths) const;
    double packageWatts(int package, int ratioTenths) const;
    int chooseRatio(int package) const;
    double idleCelsius(int core) const;
    double steadyRise(int core) const;
    double sensorNoise(int core) const;
    bool settleRatios();
    // Integrates everything with the rates that held so far, then lets
    // derived() compute the new ones.
    void invalidateDerived();
    // Moves the machine's time on and makes sure derived() holds the rates
    // in force, before anything changes them.
    void moveTime(int64_t nowNanoseconds);
    // The seconds from `integratedTo` to the machine's time, which it moves
    // on to; 0 when the time has not moved since.
    double stepTo(int64_t& integratedTo);
    // Sets the thermal log of a core that reads 0 now.
    void checkThermalLog(int core);

    // What a CPU's performance counters count, from its event selects and enables.
    enum class Counts : uint8_t { Nothing, CoreCycles, ReferenceCycles };
    struct CpuCounting {
        std::array<Counts, MaxGeneralCounters> general{};
        std::array<bool, FixedCounters> fixed{};
    };
    CpuCounting countingOf(int cpu) const;

    // What advance() needs that only changes with the loads, the ratios and
    // the register settings: computed again after the machine's generation
    // moved on, which any program attached to it may cause.
    struct Derived {
        double busHz = 0.0;
        double tscHz = 0.0;
        std::array<double, MaxCpus> unhaltedShare{}; // load × clock-modulation duty
        std::array<int, MaxCpus> ratioTenths{};      // cpuRatioTenths()
        std::array<CpuCounting, MaxCpus> counting{};
        std::array<double, MaxCores> steadyRise{};
        std::array<double, MaxCores> idleCelsius{};
        std::array<double, MaxPackages> watts{};
    };
    const Derived& derived();
    // unhalted: the seconds the CPU ran in this step.
    void countCycles(int cpu, double unhalted, const Derived& derived);

    const Profile& m_profile;
    Topology m_topology;
    CpuidFacts m_facts;
    Options m_options;
    SimulatedMachine& m_machine;
    std::shared_ptr<HostLoadSource> m_hostLoad;
    std::vector<int> m_hostCpuOf;                    // per simulated CPU
    std::vector<std::optional<int>> m_pinnedReadouts; // per core, this program's own
    uint64_t m_noiseSeed = 0;
    int64_t m_seen = 0;          // the latest time this model was told
    std::atomic<int64_t> m_epoch{0}; // the machine's, for tsc() without the lock
    CpuBits m_busyFloor{};       // this program's busy floor, as last set
    Derived m_derived;
    std::optional<uint64_t> m_derivedGeneration; // the machine's generation m_derived belongs to
};

} // namespace sim
