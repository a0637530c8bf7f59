#include "sim/ProcessorModel.h"

#include "sim/PowerOnState.h"

#include "hw/MsrIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sim {

namespace {

constexpr int64_t HostSampleInterval = 500000000; // ns between two reads of /proc/stat

} // namespace

ProcessorModel::ProcessorModel(const Profile& profile, const Options& options, CpuidFacts facts,
                               int64_t nowNanoseconds)
    : m_profile(profile), m_topology(profile), m_facts(facts), m_options(options), m_hostSampledAt(nowNanoseconds),
      m_epoch(nowNanoseconds), m_last(nowNanoseconds)
{
    m_cpus.resize(static_cast<size_t>(m_topology.cpuCount()));
    m_cores.resize(static_cast<size_t>(m_topology.coreCount()));
    m_packages.resize(static_cast<size_t>(profile.packages));
    m_packageRatio.assign(static_cast<size_t>(profile.packages), profile.baseRatioTenths);

    applyPowerOnState(profile, facts, m_cpus, m_packages);

    for (size_t core = 0; core < m_cores.size(); ++core) {
        if (core < m_options.pinnedReadouts.size())
            m_cores[core].pinnedReadout = m_options.pinnedReadouts[core];
    }

    if (m_options.loadMode == LoadMode::Host)
        m_hostLoad.sample();
    refreshLoads();
    settle();
    for (int core = 0; core < m_topology.coreCount(); ++core)
        m_cores[static_cast<size_t>(core)].celsius = steadyCelsius(core);
}

double ProcessorModel::configuredLoad(int cpu) const
{
    const CpuState& state = m_cpus[static_cast<size_t>(cpu)];
    if (state.loadOverride)
        return *state.loadOverride;
    if (m_options.loadMode == LoadMode::Fixed)
        return m_options.fixedLoadPercent / 100.0;
    return m_hostLoad.load(cpu);
}

void ProcessorModel::refreshLoads()
{
    for (int n = 0; n < m_topology.cpuCount(); ++n)
        m_cpus[static_cast<size_t>(n)].loadFraction = std::clamp(configuredLoad(n), 0.0, 1.0);
}

void ProcessorModel::setLoadOverride(int cpu, std::optional<double> percent)
{
    CpuState& state = m_cpus[static_cast<size_t>(cpu)];
    if (percent)
        state.loadOverride = std::clamp(*percent, 0.0, 100.0) / 100.0;
    else
        state.loadOverride.reset();
    refreshLoads();
    settle();
}

double ProcessorModel::duty(int cpu) const
{
    uint64_t value = m_cpus[static_cast<size_t>(cpu)].clockModulation;
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
    for (int cpu : m_topology.threadsOfCore(core))
        idle *= 1.0 - m_cpus[static_cast<size_t>(cpu)].loadFraction * duty(cpu);
    return 1.0 - idle;
}

int ProcessorModel::requestedRatioTenths(int package) const
{
    int request = 0;
    for (int cpu = 0; cpu < m_topology.cpuCount(); ++cpu) {
        if (m_topology.cpu(cpu).package != package)
            continue;
        uint64_t value = m_cpus[static_cast<size_t>(cpu)].perfControl;
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
    uint64_t misc = m_packages[static_cast<size_t>(package)].miscEnable;
    if (!m_profile.hasTurbo() || !msr::misc_enable::EnhancedSpeedStep.test(misc)
        || msr::misc_enable::TurboDisengage.test(misc))
        return false;
    for (int cpu = 0; cpu < m_topology.cpuCount(); ++cpu)
        if (m_topology.cpu(cpu).package == package
            && !msr::perf_ctl::TurboDisengage.test(m_cpus[static_cast<size_t>(cpu)].perfControl))
            return true;
    return false;
}

int ProcessorModel::turboRatioTenths(int package) const
{
    double active = 0.0;
    for (int core = 0; core < m_topology.coreCount(); ++core)
        if (m_topology.cpu(m_topology.threadsOfCore(core).front()).package == package)
            active += coreActivity(core);
    int cores = std::clamp(int(std::ceil(active - 1e-6)), 1, m_profile.coresPerPackage);
    if (!m_profile.nehalemOrLater())
        return m_profile.turboRatioTenths[static_cast<size_t>(cores - 1)];
    uint64_t limit = m_packages[static_cast<size_t>(package)].turboRatioLimit;
    int ratio = int(msr::turbo_ratio_limit::ratioForActiveCores(unsigned(cores)).get(limit)) * 10;
    return std::max(ratio, m_profile.baseRatioTenths);
}

double ProcessorModel::powerLimitWatts(int package) const
{
    const PackageState& state = m_packages[static_cast<size_t>(package)];
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
    uint64_t misc = m_packages[static_cast<size_t>(package)].miscEnable;
    int ratio = p.baseRatioTenths;
    if (msr::misc_enable::EnhancedSpeedStep.test(misc)) {
        int request = requestedRatioTenths(package);
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
                 && msr::pkg_power_limit::ClampLimit1.test(m_packages[static_cast<size_t>(package)].pkgPowerLimit);
    while (clamp && ratio > p.minRatioTenths && packageWatts(package, ratio) > limit)
        ratio = std::max(ratio - 10, p.minRatioTenths);
    return ratio;
}

void ProcessorModel::settle()
{
    for (int package = 0; package < m_profile.packages; ++package)
        m_packageRatio[static_cast<size_t>(package)] = chooseRatio(package);
}

double ProcessorModel::steadyCelsius(int core) const
{
    int package = m_topology.cpu(m_topology.threadsOfCore(core).front()).package;
    double scale = powerScale(m_packageRatio[static_cast<size_t>(package)]);
    return m_profile.idleCelsius + (m_profile.fullLoadCelsius - m_profile.idleCelsius) * coreActivity(core) * scale;
}

int ProcessorModel::readout(int core) const
{
    const CoreState& state = m_cores[static_cast<size_t>(core)];
    if (state.pinnedReadout)
        return *state.pinnedReadout;
    long value = std::lround(double(m_profile.tjMax) - state.celsius);
    return int(std::clamp(value, 0L, 127L));
}

double ProcessorModel::tscHz() const { return m_profile.busHz() * m_profile.baseRatioTenths / 10.0; }

uint64_t ProcessorModel::tsc(int cpu, int64_t nowNanoseconds) const
{
    unsigned __int128 elapsed = static_cast<unsigned __int128>(std::max<int64_t>(nowNanoseconds - m_epoch, 0));
    unsigned __int128 ticks = elapsed * m_profile.busHzNumerator * unsigned(m_profile.baseRatioTenths)
                              / (static_cast<unsigned __int128>(m_profile.busHzDenominator) * 10u * 1000000000u);
    return static_cast<uint64_t>(ticks) + static_cast<uint64_t>(m_cpus[static_cast<size_t>(cpu)].tscOffset);
}

double ProcessorModel::energyUnitsPerJoule() const
{
    if (m_profile.family != Family::SandyBridge)
        return 0.0;
    return std::ldexp(1.0, int(msr::rapl_power_unit::EnergyStatusUnits.get(m_profile.raplPowerUnit)));
}

void ProcessorModel::countCycles(int cpu, double seconds)
{
    CpuState& state = m_cpus[static_cast<size_t>(cpu)];
    double unhalted = state.loadFraction * duty(cpu) * seconds;
    if (unhalted <= 0.0)
        return;
    int ratio = m_packageRatio[static_cast<size_t>(m_topology.cpu(cpu).package)];
    double reference = unhalted * m_profile.busHz();
    double core = reference * ratio / 10.0;
    double nominal = unhalted * tscHz();

    for (int n = 0; n < m_facts.generalCounters && n < MaxGeneralCounters; ++n) {
        uint64_t select = state.eventSelect[static_cast<size_t>(n)];
        bool counting = msr::perfevtsel::Enable.test(select)
                        && (msr::perfevtsel::User.test(select) || msr::perfevtsel::Os.test(select))
                        && msr::perf_global_ctrl::pmcEnable(unsigned(n)).test(state.globalControl);
        if (!counting)
            continue;
        uint64_t event = msr::perfevtsel::EventSelect.get(select);
        uint64_t mask = msr::perfevtsel::UnitMask.get(select);
        double cycles = 0.0;
        if (event == msr::perfevtsel::EventUnhaltedCycles && mask == 0)
            cycles = core;
        else if (event == msr::perfevtsel::EventUnhaltedCycles && mask == 1)
            cycles = reference; // reference cycles tick at the bus clock
        else if (event == msr::perfevtsel::EventInstructionsRetired && mask == 0)
            cycles = core;
        if (state.pmc[static_cast<size_t>(n)].add(cycles, m_facts.generalWidth))
            state.globalStatus = msr::perf_global_status::pmcOverflow(unsigned(n)).set(state.globalStatus, 1);
    }

    const double fixedCounts[FixedCounters] = {core /* instructions, one per cycle */, core, nominal};
    for (unsigned n = 0; n < FixedCounters; ++n) {
        bool counting = msr::fixed_ctr_ctrl::ctrEnable(n).get(state.fixedControl) != 0
                        && msr::perf_global_ctrl::fixedEnable(n).test(state.globalControl);
        if (counting && state.fixed[n].add(fixedCounts[n], m_facts.fixedWidth))
            state.globalStatus = msr::perf_global_status::fixedOverflow(n).set(state.globalStatus, 1);
    }
    state.mperf.add(nominal, 64);
    state.aperf.add(core, 64);
}

void ProcessorModel::advance(int64_t nowNanoseconds)
{
    if (nowNanoseconds > m_last) {
        double seconds = double(nowNanoseconds - m_last) / 1e9;
        for (int cpu = 0; cpu < m_topology.cpuCount(); ++cpu)
            countCycles(cpu, seconds);
        double decay = std::exp(-seconds / m_profile.thermalTimeConstantSeconds);
        for (int core = 0; core < m_topology.coreCount(); ++core) {
            CoreState& state = m_cores[static_cast<size_t>(core)];
            double target = steadyCelsius(core);
            state.celsius = target + (state.celsius - target) * decay;
        }
        for (int package = 0; package < m_profile.packages; ++package) {
            PackageState& state = m_packages[static_cast<size_t>(package)];
            state.watts = packageWatts(package, m_packageRatio[static_cast<size_t>(package)]);
            state.energyUnits += state.watts * seconds * energyUnitsPerJoule();
        }
        m_last = nowNanoseconds;
    }
    for (int core = 0; core < m_topology.coreCount(); ++core)
        if (readout(core) == 0)
            m_cores[static_cast<size_t>(core)].thermalLog = true;

    if (m_options.loadMode == LoadMode::Host && nowNanoseconds - m_hostSampledAt >= HostSampleInterval) {
        m_hostSampledAt = nowNanoseconds;
        if (m_hostLoad.sample()) {
            refreshLoads();
            settle();
        }
    }
}

} // namespace sim
