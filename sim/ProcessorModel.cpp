#include "sim/ProcessorModel.h"

#include "sim/HostLoad.h"
#include "sim/PowerOnState.h"

#include "registers/MsrIndex.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

namespace sim {

namespace {

constexpr int64_t HostSampleInterval = 500000000; // ns between two reads of the host's load
// The share of a core's temperature rise that builds up in the die itself;
// the rest warms the heat spreader and cooler, slowly.
constexpr double DieShare = 0.7;
// The summed activity of cores that only wake in short bursts, which the
// turbo bins leave out.
constexpr double ShortBurstCores = 0.1;

uint64_t mix(uint64_t value)
{
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

} // namespace

ProcessorModel::ProcessorModel(const Profile& profile, const Options& options, CpuidFacts facts,
                               SimulatedMachine& machine, int64_t nowNanoseconds)
    : m_profile(profile), m_topology(profile), m_facts(facts), m_options(options), m_machine(machine),
      m_hostLoad(options.hostLoad)
{
    if (!m_hostLoad && m_options.loadMode == LoadMode::Host)
        m_hostLoad = std::make_shared<HostLoad>();

    // Host CPU k loads core k's first thread; the second threads come after every core's first.
    m_hostCpuOf.assign(static_cast<size_t>(m_topology.cpuCount()), -1);
    for (int core = 0; core < m_topology.coreCount(); ++core) {
        const std::vector<int>& threads = m_topology.threadsOfCore(core);
        for (size_t thread = 0; thread < threads.size(); ++thread)
            m_hostCpuOf[static_cast<size_t>(threads[thread])] = int(thread) * m_topology.coreCount() + core;
    }

    m_pinnedReadouts.resize(static_cast<size_t>(m_topology.coreCount()));
    for (size_t core = 0; core < m_pinnedReadouts.size() && core < m_options.pinnedReadouts.size(); ++core)
        m_pinnedReadouts[core] = m_options.pinnedReadouts[core];

    for (char c : profile.name)
        m_noiseSeed = mix(m_noiseSeed ^ static_cast<unsigned char>(c));

    m_seen = nowNanoseconds;
    m_machine.setPowerOnAgain([this] { powerOnAgain(); });
    std::lock_guard lock(m_machine);
    if (m_machine.start() == MachineStart::PowerOn)
        powerOn(nowNanoseconds);
    m_epoch = state().epoch;
    moveTime(nowNanoseconds);
    if (m_hostLoad)
        m_hostLoad->sample();
    refreshLoads();
    settle();
}

ProcessorModel::~ProcessorModel() { m_machine.setPowerOnAgain(nullptr); }

void ProcessorModel::powerOnAgain()
{
    // At the latest time seen: the caller's advance goes on from there.
    powerOn(m_seen);
    const int slot = m_machine.holderSlot();
    if (slot >= 0)
        state().holders[static_cast<size_t>(slot)].busyFloor = m_busyFloor;
    m_derivedGeneration.reset();
    refreshLoads();
    settle();
}

void ProcessorModel::powerOn(int64_t nowNanoseconds)
{
    MachineState& s = state();
    s.epoch = nowNanoseconds;
    m_epoch = nowNanoseconds;
    s.last = nowNanoseconds;
    s.hostSampledAt = nowNanoseconds;
    s.cpuIntegratedTo.fill(nowNanoseconds);
    s.coreIntegratedTo.fill(nowNanoseconds);
    s.packageIntegratedTo.fill(nowNanoseconds);
    m_derivedGeneration.reset(); // the generation starts again
    std::span<CpuState> cpus(s.cpus.data(), static_cast<size_t>(m_topology.cpuCount()));
    std::span<PackageState> packages(s.packages.data(), static_cast<size_t>(m_profile.packages));
    applyPowerOnState(m_profile, m_facts, cpus, packages);
    for (int core = 0; core < m_topology.coreCount(); ++core) {
        CoreState& state = this->core(core);
        state.spreaderCelsius = idleCelsius(core);
        state.dieRise = 0.0;
    }
    for (int package = 0; package < m_profile.packages; ++package)
        s.packageRatio[static_cast<size_t>(package)] = m_profile.baseRatioTenths;
}

double ProcessorModel::configuredLoad(int n) const
{
    const CpuState& state = cpu(n);
    if (state.hasLoadOverride)
        return state.loadOverride;
    if (m_options.loadMode == LoadMode::Fixed)
        return m_options.fixedLoadPercent / 100.0;
    return m_hostLoad ? m_hostLoad->load(m_hostCpuOf[static_cast<size_t>(n)]) : 0.0;
}

void ProcessorModel::refreshLoads()
{
    const CpuBits floor = m_machine.busyFloor();
    bool changed = false;
    for (int n = 0; n < m_topology.cpuCount(); ++n) {
        double load = std::clamp(configuredLoad(n), 0.0, 1.0);
        if (floor.test(n))
            load = std::max(load, BusyFloorShare);
        changed = changed || cpu(n).loadFraction != load;
        cpu(n).loadFraction = load;
    }
    changed = applyGovernor() || changed;
    if (!changed)
        return; // the same loads and requests: the ratios stand
    settleRatios();
    invalidateDerived();
}

void ProcessorModel::setBusyFloor(const CpuBits& cpus)
{
    int slot = m_machine.holderSlot();
    if (slot < 0)
        return;
    m_busyFloor = cpus;
    HolderSlot& holder = state().holders[static_cast<size_t>(slot)];
    if (holder.busyFloor == cpus)
        return;
    holder.busyFloor = cpus;
    refreshLoads();
}

void ProcessorModel::setLoadOverride(int n, std::optional<double> percent)
{
    CpuState& state = cpu(n);
    state.hasLoadOverride = percent.has_value();
    state.loadOverride = percent ? std::clamp(*percent, 0.0, 100.0) / 100.0 : 0.0;
    refreshLoads();
}

int ProcessorModel::governorRatioTenths(double load) const
{
    const Profile& p = m_profile;
    int top = p.turboRequestTenths();
    if (load >= GovernorUpThreshold)
        return top;
    // Proportional between the lowest and the highest state, then the
    // highest state at or below that: whole ratios up to the base ratio,
    // which may carry a half.
    double target = p.minRatioTenths + load * double(top - p.minRatioTenths);
    if (target >= p.baseRatioTenths)
        return p.baseRatioTenths;
    int whole = p.minRatioTenths + int(std::floor((target - p.minRatioTenths) / 10.0)) * 10;
    return std::clamp(whole, p.minRatioTenths, p.baseRatioTenths);
}

uint64_t ProcessorModel::governorRequest(int n, int ratioTenths) const
{
    using namespace msr::perf_ctl;
    // The governor leaves the turbo disengage bit as software set it.
    uint64_t value = TurboDisengage.set(0, TurboDisengage.get(cpu(n).perfControl));
    if (m_profile.nehalemOrLater())
        return TargetRatio.set(value, uint64_t(ratioTenths / 10));
    value = Core2TargetRatio.set(value, uint64_t(ratioTenths / 10));
    value = Core2TargetHalfRatio.set(value, ratioTenths % 10 == 5);
    return TargetVid.set(value, uint64_t(m_profile.vidCodeAt(ratioTenths)));
}

bool ProcessorModel::applyGovernor()
{
    bool changed = false;
    for (int n = 0; n < m_topology.cpuCount(); ++n) {
        // Without SpeedStep there is no frequency scaling for the system to
        // do; under hardware P-states the system leaves IA32_PERF_CTL alone.
        if (!msr::misc_enable::EnhancedSpeedStep.test(packageOf(n).miscEnable)
            || hwpActive(m_topology.cpu(n).package))
            continue;
        CpuState& state = cpu(n);
        int wanted = governorRatioTenths(state.loadFraction);
        if (wanted == state.governorRequestTenths)
            continue;
        state.governorRequestTenths = wanted;
        state.perfControl = governorRequest(n, wanted);
        changed = true;
    }
    return changed;
}

double ProcessorModel::duty(int n) const
{
    uint64_t value = cpu(n).clockModulation;
    if (!msr::clock_modulation::Enable.test(value))
        return 1.0;
    bool extended = m_facts.extendedClockModulation;
    uint64_t code = extended ? msr::clock_modulation::ExtendedDutyCycle.get(value)
                             : msr::clock_modulation::DutyCycle.get(value);
    if (code == 0)
        return 1.0; // reserved duty code: no modulation
    return double(code) / (extended ? 16.0 : 8.0);
}

double ProcessorModel::volts(int ratioTenths) const { return m_profile.voltsAt(ratioTenths); }

double ProcessorModel::coreActivity(int core) const
{
    double idle = 1.0;
    for (int n : m_topology.threadsOfCore(core))
        idle *= 1.0 - cpu(n).loadFraction * duty(n);
    return 1.0 - idle;
}

int ProcessorModel::requestedRatioTenths(int package) const
{
    int request = 0;
    for (int n = 0; n < m_topology.cpuCount(); ++n) {
        if (m_topology.cpu(n).package != package)
            continue;
        uint64_t value = cpu(n).perfControl;
        int tenths = m_profile.nehalemOrLater()
                         ? int(msr::perf_ctl::TargetRatio.get(value)) * 10
                         : int(msr::perf_ctl::Core2TargetRatio.get(value)) * 10
                               + (msr::perf_ctl::Core2TargetHalfRatio.test(value) ? 5 : 0);
        request = std::max(request, tenths);
    }
    return request;
}

bool ProcessorModel::turboAllowed(int package) const
{
    uint64_t misc = state().packages[static_cast<size_t>(package)].miscEnable;
    if (!m_profile.hasTurbo() || !msr::misc_enable::EnhancedSpeedStep.test(misc)
        || msr::misc_enable::TurboDisengage.test(misc))
        return false;
    if (hwpActive(package))
        return true; // IA32_PERF_CTL's disengage bit is ignored with the rest of it
    for (int n = 0; n < m_topology.cpuCount(); ++n)
        if (m_topology.cpu(n).package == package && !msr::perf_ctl::TurboDisengage.test(cpu(n).perfControl))
            return true;
    return false;
}

bool ProcessorModel::hwpActive(int package) const
{
    return m_facts.hwp
           && msr::pm_enable::HwpEnable.test(state().packages[static_cast<size_t>(package)].pmEnable);
}

int ProcessorModel::autonomousRatioTenths(int package) const
{
    double busiest = 0.0;
    for (int n = 0; n < m_topology.cpuCount(); ++n)
        if (m_topology.cpu(n).package == package)
            busiest = std::max(busiest, cpu(n).loadFraction);
    return governorRatioTenths(busiest);
}

int ProcessorModel::cpuRatioTenths(int n) const
{
    const LogicalCpu& where = m_topology.cpu(n);
    const int ratio = packageRatioTenths(where.package);
    if (where.coreGroup < 0)
        return ratio;
    const int low = m_profile.minRatioTenths;
    const int high = m_profile.topRatioTenths();
    const int top = m_profile.coreDumps[static_cast<size_t>(where.coreGroup)].topRatioTenths;
    if (high <= low || ratio <= low)
        return std::min(ratio, top);
    const double scaled = low + double(ratio - low) * double(top - low) / double(high - low);
    return int(std::lround(scaled / 10.0)) * 10;
}

int ProcessorModel::turboRatioTenths(int package) const
{
    double active = 0.0;
    for (int core = 0; core < m_topology.coreCount(); ++core)
        if (m_topology.cpu(m_topology.threadsOfCore(core).front()).package == package)
            active += coreActivity(core);
    // A core busy a few per cent of the time spends it in short bursts and
    // does not hold the package out of the bin of the cores that are busy.
    int cores = std::clamp(int(std::ceil(active - ShortBurstCores)), 1, m_profile.coresPerPackage);
    if (!m_profile.nehalemOrLater())
        return m_profile.turboRatioTenths[static_cast<size_t>(cores - 1)];
    uint64_t limit = state().packages[static_cast<size_t>(package)].turboRatioLimit;
    // With core-count groups, the first group that covers the active cores.
    unsigned bin = unsigned(cores);
    if (m_profile.turboGroupCores != 0) {
        bin = 8;
        for (unsigned group = 0; group < 8; ++group)
            if (msr::turbo_ratio_limit1::groupCores(group).get(m_profile.turboGroupCores) >= unsigned(cores)) {
                bin = group + 1;
                break;
            }
    }
    int ratio = int(msr::turbo_ratio_limit::ratioForActiveCores(bin).get(limit)) * 10;
    return std::max(ratio, m_profile.baseRatioTenths);
}

double ProcessorModel::powerLimitWatts(int package) const
{
    const PackageState& state = this->state().packages[static_cast<size_t>(package)];
    if (m_profile.family == Family::Nehalem) {
        uint64_t value = state.turboPowerCurrentLimit;
        if (msr::turbo_power_current_limit::TdpLimitOverride.test(value))
            return double(msr::turbo_power_current_limit::TdpLimit.get(value)) / 8.0;
        return m_profile.tdpWatts;
    }
    if (m_profile.family == Family::SandyBridge && msr::pkg_power_limit::EnableLimit1.test(state.pkgPowerLimit)) {
        double unit = double(1u << msr::rapl_power_unit::PowerUnits.get(m_profile.raplPowerUnit));
        return double(msr::pkg_power_limit::PowerLimit1.get(state.pkgPowerLimit)) / unit;
    }
    return std::numeric_limits<double>::infinity();
}

double ProcessorModel::powerScale(int ratioTenths) const
{
    double voltage = volts(ratioTenths) / volts(m_profile.baseRatioTenths);
    return double(ratioTenths) / double(m_profile.baseRatioTenths) * voltage * voltage;
}

double ProcessorModel::packageWatts(int package, int ratioTenths) const
{
    double perCore = (m_profile.fullLoadWatts - m_profile.idleWatts) / m_profile.coresPerPackage;
    double activity = 0.0;
    for (int core = 0; core < m_topology.coreCount(); ++core)
        if (m_topology.cpu(m_topology.threadsOfCore(core).front()).package == package)
            activity += coreActivity(core);
    return m_profile.idleWatts + perCore * activity * powerScale(ratioTenths);
}

int ProcessorModel::chooseRatio(int package) const
{
    const Profile& p = m_profile;
    uint64_t misc = state().packages[static_cast<size_t>(package)].miscEnable;
    int ratio = p.baseRatioTenths;
    if (msr::misc_enable::EnhancedSpeedStep.test(misc)) {
        int request = hwpActive(package) ? autonomousRatioTenths(package) : requestedRatioTenths(package);
        if (request <= p.baseRatioTenths)
            ratio = std::clamp(request, p.minRatioTenths, p.baseRatioTenths);
        else if (turboAllowed(package))
            ratio = turboRatioTenths(package);
    }
    // Above the power limit turbo steps back towards the base ratio; with
    // clamping enabled the limit may hold the package below it.
    double limit = powerLimitWatts(package);
    while (ratio > p.baseRatioTenths && packageWatts(package, ratio) > limit)
        ratio = std::max(ratio - 10, p.baseRatioTenths);
    bool clamp = p.family == Family::SandyBridge
                 && msr::pkg_power_limit::ClampLimit1.test(state().packages[static_cast<size_t>(package)].pkgPowerLimit);
    while (clamp && ratio > p.minRatioTenths && packageWatts(package, ratio) > limit)
        ratio = std::max(ratio - 10, p.minRatioTenths);
    return ratio;
}

bool ProcessorModel::settleRatios()
{
    bool changed = false;
    for (int package = 0; package < m_profile.packages; ++package) {
        int& ratio = state().packageRatio[static_cast<size_t>(package)];
        const int chosen = chooseRatio(package);
        changed = changed || ratio != chosen;
        ratio = chosen;
    }
    return changed;
}

void ProcessorModel::settle()
{
    settleRatios();
    invalidateDerived(); // a register write may have changed a duty cycle or a limit
}

ProcessorModel::RegisterImage ProcessorModel::registerImage(int n) const
{
    RegisterImage image;
    std::memcpy(image.cpu.data(), &cpu(n), sizeof(CpuState));
    std::memcpy(image.package.data(), &state().packages[static_cast<size_t>(m_topology.cpu(n).package)],
                sizeof(PackageState));
    return image;
}

bool ProcessorModel::registersMatch(int n, const RegisterImage& image) const
{
    return std::memcmp(image.cpu.data(), &cpu(n), sizeof(CpuState)) == 0
           && std::memcmp(image.package.data(), &state().packages[static_cast<size_t>(m_topology.cpu(n).package)],
                          sizeof(PackageState))
                  == 0;
}

const ProcessorModel::Derived& ProcessorModel::derived()
{
    const uint64_t generation = state().generation;
    if (m_derivedGeneration == generation)
        return m_derived;
    m_derived.busHz = m_profile.busHz();
    m_derived.tscHz = tscHz();
    for (int n = 0; n < m_topology.cpuCount(); ++n) {
        m_derived.unhaltedShare[static_cast<size_t>(n)] = cpu(n).loadFraction * duty(n);
        m_derived.ratioTenths[static_cast<size_t>(n)] = cpuRatioTenths(n);
        m_derived.counting[static_cast<size_t>(n)] = countingOf(n);
    }
    for (int core = 0; core < m_topology.coreCount(); ++core) {
        m_derived.steadyRise[static_cast<size_t>(core)] = steadyRise(core);
        m_derived.idleCelsius[static_cast<size_t>(core)] = idleCelsius(core);
    }
    for (int package = 0; package < m_profile.packages; ++package)
        m_derived.watts[static_cast<size_t>(package)] = packageWatts(package, packageRatioTenths(package));
    m_derivedGeneration = generation;
    return m_derived;
}

double ProcessorModel::idleCelsius(int core) const
{
    return m_profile.idleCelsius + 0.5 * m_profile.coreOffset(m_topology.cpu(m_topology.threadsOfCore(core).front()).coreInPackage);
}

double ProcessorModel::steadyRise(int core) const
{
    const LogicalCpu& where = m_topology.cpu(m_topology.threadsOfCore(core).front());
    double scale = powerScale(packageRatioTenths(where.package));
    double fullRise = m_profile.fullLoadCelsius - m_profile.idleCelsius + 0.5 * m_profile.coreOffset(where.coreInPackage);
    return fullRise * coreActivity(core) * scale;
}

double ProcessorModel::celsius(int core) const
{
    const CoreState& state = this->state().cores[static_cast<size_t>(core)];
    return state.spreaderCelsius + state.dieRise;
}

double ProcessorModel::sensorNoise(int core) const
{
    uint64_t period = uint64_t(std::max<int64_t>(state().last - state().epoch, 0) / SensorNoisePeriod);
    uint64_t bits = mix(m_noiseSeed ^ mix(period * 64 + uint64_t(core)));
    double unit = double(bits >> 11) / double(1ull << 53); // 0..1
    return (2.0 * unit - 1.0) * SensorNoiseCelsius;
}

int ProcessorModel::readout(int core) const
{
    if (const std::optional<int>& pinned = m_pinnedReadouts[static_cast<size_t>(core)])
        return *pinned;
    long value = std::lround(double(m_profile.tjMax) - celsius(core) - sensorNoise(core));
    return int(std::clamp(value, 0L, 127L));
}

void ProcessorModel::pinReadout(int core, std::optional<int> readout)
{
    integrateCore(core); // the log sees the readout pinned so far
    m_pinnedReadouts[static_cast<size_t>(core)] = readout;
}

double ProcessorModel::tscHz() const { return m_profile.busHz() * m_profile.baseRatioTenths / 10.0; }

uint64_t ProcessorModel::tsc(int n, int64_t nowNanoseconds) const
{
    const int64_t epoch = m_epoch.load(std::memory_order_relaxed);
    unsigned __int128 elapsed = static_cast<unsigned __int128>(std::max<int64_t>(nowNanoseconds - epoch, 0));
    unsigned __int128 ticks = elapsed * m_profile.busHzNumerator * unsigned(m_profile.baseRatioTenths)
                              / (static_cast<unsigned __int128>(m_profile.busHzDenominator) * 10u * 1000000000u);
    const int64_t offset =
        std::atomic_ref<int64_t>(const_cast<int64_t&>(cpu(n).tscOffset)).load(std::memory_order_relaxed);
    return static_cast<uint64_t>(ticks) + static_cast<uint64_t>(offset);
}

void ProcessorModel::setTsc(int n, uint64_t value, int64_t nowNanoseconds)
{
    int64_t& offset = cpu(n).tscOffset;
    std::atomic_ref<int64_t>(offset).store(offset + int64_t(value - tsc(n, nowNanoseconds)),
                                           std::memory_order_relaxed);
}

double ProcessorModel::energyUnitsPerJoule() const
{
    if (m_profile.family != Family::SandyBridge)
        return 0.0;
    return std::ldexp(1.0, int(msr::rapl_power_unit::EnergyStatusUnits.get(m_profile.raplPowerUnit)));
}

ProcessorModel::CpuCounting ProcessorModel::countingOf(int n) const
{
    const CpuState& state = cpu(n);
    CpuCounting counting;
    for (int counter = 0; counter < m_facts.generalCounters && counter < MaxGeneralCounters; ++counter) {
        uint64_t select = state.eventSelect[static_cast<size_t>(counter)];
        bool enabled = msr::perfevtsel::Enable.test(select)
                       && (msr::perfevtsel::User.test(select) || msr::perfevtsel::Os.test(select))
                       && msr::perf_global_ctrl::pmcEnable(unsigned(counter)).test(state.globalControl);
        if (!enabled)
            continue;
        uint64_t event = msr::perfevtsel::EventSelect.get(select);
        uint64_t mask = msr::perfevtsel::UnitMask.get(select);
        Counts& counts = counting.general[static_cast<size_t>(counter)];
        if (event == msr::perfevtsel::EventUnhaltedCycles && mask == 0)
            counts = Counts::CoreCycles;
        else if (event == msr::perfevtsel::EventUnhaltedCycles && mask == 1)
            counts = Counts::ReferenceCycles; // reference cycles tick at the bus clock
        else if (event == msr::perfevtsel::EventInstructionsRetired && mask == 0)
            counts = Counts::CoreCycles; // one instruction per cycle
        // Any other event counts nothing here.
    }
    for (unsigned counter = 0; counter < FixedCounters; ++counter)
        counting.fixed[counter] = msr::fixed_ctr_ctrl::ctrEnable(counter).get(state.fixedControl) != 0
                                  && msr::perf_global_ctrl::fixedEnable(counter).test(state.globalControl);
    return counting;
}

void ProcessorModel::countCycles(int n, double unhalted, const Derived& d)
{
    CpuState& state = cpu(n);
    if (unhalted <= 0.0)
        return;
    const CpuCounting& counting = d.counting[static_cast<size_t>(n)];
    int ratio = d.ratioTenths[static_cast<size_t>(n)];
    double reference = unhalted * d.busHz;
    double core = reference * ratio / 10.0;
    double nominal = unhalted * d.tscHz;

    for (size_t counter = 0; counter < counting.general.size(); ++counter) {
        if (counting.general[counter] == Counts::Nothing)
            continue;
        double cycles = counting.general[counter] == Counts::CoreCycles ? core : reference;
        if (state.pmc[counter].add(cycles, m_facts.generalWidth))
            state.globalStatus = msr::perf_global_status::pmcOverflow(unsigned(counter)).set(state.globalStatus, 1);
    }

    const double fixedCounts[FixedCounters] = {core /* instructions, one per cycle */, core, nominal};
    for (unsigned counter = 0; counter < FixedCounters; ++counter) {
        if (counting.fixed[counter] && state.fixed[counter].add(fixedCounts[counter], m_facts.fixedWidth))
            state.globalStatus = msr::perf_global_status::fixedOverflow(counter).set(state.globalStatus, 1);
    }
    state.mperf.add(nominal, 64);
    state.aperf.add(core, 64);
}

void ProcessorModel::moveTime(int64_t nowNanoseconds)
{
    m_seen = std::max(m_seen, nowNanoseconds);
    MachineState& s = state();
    s.last = std::max(s.last, nowNanoseconds);
    derived();
}

void ProcessorModel::advance(int64_t nowNanoseconds)
{
    moveTime(nowNanoseconds);
    MachineState& s = state();
    if (m_hostLoad && m_options.loadMode == LoadMode::Host && nowNanoseconds - s.hostSampledAt >= HostSampleInterval) {
        s.hostSampledAt = nowNanoseconds;
        if (m_hostLoad->sample())
            refreshLoads();
    }
}

void ProcessorModel::invalidateDerived()
{
    integrateAll();
    ++state().generation;
}

double ProcessorModel::stepTo(int64_t& integratedTo)
{
    const int64_t last = state().last;
    if (last <= integratedTo)
        return 0.0;
    const double seconds = double(last - integratedTo) / 1e9;
    integratedTo = last;
    return seconds;
}

void ProcessorModel::integrateCpu(int n)
{
    if (const double seconds = stepTo(state().cpuIntegratedTo[static_cast<size_t>(n)]); seconds > 0.0) {
        const Derived& d = derived();
        countCycles(n, d.unhaltedShare[static_cast<size_t>(n)] * seconds, d);
    }
}

void ProcessorModel::integrateCore(int core)
{
    if (const double seconds = stepTo(state().coreIntegratedTo[static_cast<size_t>(core)]); seconds > 0.0) {
        const Derived& d = derived();
        CoreState& state = this->core(core);
        double rise = d.steadyRise[static_cast<size_t>(core)];
        double dieTarget = DieShare * rise;
        double spreaderTarget = d.idleCelsius[static_cast<size_t>(core)] + (1.0 - DieShare) * rise;
        state.dieRise = dieTarget + (state.dieRise - dieTarget) * std::exp(-seconds / m_profile.thermalTimeConstantSeconds);
        state.spreaderCelsius = spreaderTarget
                                + (state.spreaderCelsius - spreaderTarget)
                                      * std::exp(-seconds / m_profile.heatsinkTimeConstantSeconds);
    }
    checkThermalLog(core);
}

void ProcessorModel::checkThermalLog(int core)
{
    // A sensor reads 0 at TjMax; a core a degree or more below it cannot,
    // whatever its noise, so only the hot ones are read.
    static_assert(SensorNoiseCelsius + 0.5 < 1.0, "the rounded readout of a core 1 degree below TjMax must stay above 0");
    const std::optional<int>& pinned = m_pinnedReadouts[static_cast<size_t>(core)];
    bool hot = pinned ? *pinned == 0 : celsius(core) > double(m_profile.tjMax) - 1.0 && readout(core) == 0;
    if (hot)
        this->core(core).thermalLog = true;
}

void ProcessorModel::integratePackage(int package)
{
    if (const double seconds = stepTo(state().packageIntegratedTo[static_cast<size_t>(package)]); seconds > 0.0) {
        PackageState& state = this->package(package);
        state.watts = derived().watts[static_cast<size_t>(package)];
        state.energyUnits += state.watts * seconds * energyUnitsPerJoule();
    }
}

void ProcessorModel::integrateAll()
{
    for (int n = 0; n < m_topology.cpuCount(); ++n)
        integrateCpu(n);
    for (int core = 0; core < m_topology.coreCount(); ++core)
        integrateCore(core);
    for (int package = 0; package < m_profile.packages; ++package)
        integratePackage(package);
}

} // namespace sim
