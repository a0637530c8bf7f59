#include "sim/RegisterImages.h"

#include "registers/MsrIndex.h"

#include <algorithm>
#include <cmath>

namespace sim {

using namespace msr;

uint64_t RegisterImages::ratioWithHalf(Field whole, Field half, int tenths, uint64_t value)
{
    value = whole.set(value, uint64_t(tenths / 10));
    return half.set(value, tenths % 10 == 5);
}

uint64_t RegisterImages::vidBits(int ratioTenths) const
{
    const Profile& p = m_model.profile();
    double volts = m_model.volts(ratioTenths);
    if (p.family == Family::SandyBridge)
        return perf_status::SandyBridgeVoltage.set(0, uint64_t(std::lround(volts * 8192.0)));
    if (p.family == Family::Nehalem)
        return 0; // Nehalem reports no voltage here
    return perf_status::CurrentVid.set(0, uint64_t(p.vidCodeAt(ratioTenths)));
}

uint64_t RegisterImages::perfStatus(int cpu) const
{
    const Profile& p = m_model.profile();
    int package = m_model.topology().cpu(cpu).package;
    int ratio = m_model.packageRatioTenths(package);
    uint64_t value = vidBits(ratio); // the cores of a package share one voltage
    if (p.nehalemOrLater())
        return perf_status::OperatingRatio.set(value, uint64_t(m_model.cpuRatioTenths(cpu) / 10));
    value = ratioWithHalf(perf_status::CurrentRatio, perf_status::CurrentHalfRatio, ratio, value);
    // The maximum includes dynamic acceleration unless it is disengaged.
    int maximum = m_model.turboAllowed(package) ? p.topRatioTenths() : p.baseRatioTenths;
    return ratioWithHalf(perf_status::MaxRatio, perf_status::MaxHalfRatio, maximum, value);
}

uint64_t RegisterImages::platformInfo() const
{
    const Profile& p = m_model.profile();
    if (!p.nehalemOrLater())
        return ratioWithHalf(platform_info::Core2MaxRatio, platform_info::Core2MaxHalfRatio, p.topRatioTenths());
    uint64_t value = platform_info::MaxNonTurboRatio.set(0, uint64_t(p.baseRatioTenths / 10));
    value = platform_info::ProgrammableRatioLimit.set(value, p.ratioLimitProgrammable);
    value = platform_info::ProgrammableTdpLimit.set(value, p.tdpLimitProgrammable);
    return platform_info::MaxEfficiencyRatio.set(value, uint64_t(p.minRatioTenths / 10));
}

uint64_t RegisterImages::thermStatus(int core)
{
    m_model.integrateCore(core);
    CoreState& state = m_model.core(core);
    int readout = m_model.readout(core);
    if (readout == 0)
        state.thermalLog = true;
    uint64_t value = therm_status::ReadingValid.set(0, 1);
    value = therm_status::ResolutionInDegrees.set(value, 1);
    value = therm_status::DigitalReadout.set(value, uint64_t(readout));
    value = therm_status::ThermalStatus.set(value, readout == 0);
    return therm_status::ThermalStatusLog.set(value, state.thermalLog);
}

uint64_t RegisterImages::packageThermStatus(int package)
{
    int readout = 127;
    const Topology& topology = m_model.topology();
    for (int core = 0; core < topology.coreCount(); ++core)
        if (topology.cpu(topology.threadsOfCore(core).front()).package == package) {
            m_model.integrateCore(core);
            readout = std::min(readout, m_model.readout(core));
        }
    PackageState& state = m_model.package(package);
    if (readout == 0)
        state.thermalLog = true;
    uint64_t value = therm_status::DigitalReadout.set(0, uint64_t(readout));
    value = therm_status::ThermalStatus.set(value, readout == 0);
    return therm_status::ThermalStatusLog.set(value, state.thermalLog);
}

} // namespace sim
