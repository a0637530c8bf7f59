#include "monitor/measure/ClockReadings.h"
#include "platform/CFormat.h"

#include "monitor/measure/CreateCounters.h"
#include "monitor/measure/MeasureCounters.h"
#include "monitor/measure/MeasureMath.h"

#include "registers/MsrIndex.h"

#include <ctime>

namespace monitor {
namespace {

// The six-core build gives its counters up when a cycle's factors average
// below this.
constexpr double CountersUnusableFactor = 0.05;

} // namespace

int InfoViewCount(const hw::ProcessorInfo& info)
{
    if (info.sandyBridgeClass)
        return 3;
    if (info.nehalemClass)
        return 1;
    return 2;
}

int ClampInfoView(int stored, const hw::ProcessorInfo& info)
{
    return stored >= 0 && stored < InfoViewCount(info) ? stored : RunTimerView;
}

int InfoControlId(const hw::ProcessorInfo& info)
{
    return info.nehalemClass && !info.sandyBridgeClass ? InfoTextControl : InfoButtonControl;
}

int BusiestCpu(const ClockCounters& counters, int entries)
{
    int busiest = 0;
    for (int cpu = 1; cpu < entries && cpu < MaxMeasuredCpus; ++cpu) {
        if (counters.load[cpu] > counters.load[busiest])
            busiest = cpu;
    }
    return busiest;
}

ClockReadings::ClockReadings(hw::HardwareAccess& access, ClockCounters& counters, SharedReadings& shared,
                             const hw::ProcessorInfo& info, int storedInfoView)
    : m_access(access), m_counters(counters), m_shared(shared), m_info(info),
      m_infoView(ClampInfoView(storedInfoView, info)), m_runTimer(nowSeconds())
{
}

int64_t ClockReadings::nowSeconds()
{
    // The local time of day as seconds; a daylight-saving change shows up as
    // a jump, which the run timer absorbs like any other.
    std::tm local = m_access.processor().localTime();
    return static_cast<int64_t>(timegm(&local));
}

void ClockReadings::Recalibrate() { CalibrateRatios(m_access, m_counters); }

void ClockReadings::ResetRunTimer() { m_runTimer.restart(nowSeconds()); }

void ClockReadings::UpdateReadings(const ReadingOptions& options)
{
    if (!m_counters.isNehalemClass) {
        // A changed flexible ratio moves the nominal and maximum ratios.
        uint32_t flexRatio = msr::lowHalf(m_access.read(msr::MSR_FLEX_RATIO));
        if (flexRatio != m_flexRatioSeen) {
            m_flexRatioSeen = flexRatio;
            CalibrateRatios(m_access, m_counters);
        }
    }

    double average = MeasureCounters(m_access, m_counters);
    if (m_counters.flavour.counters == CounterKind::Fixed && !m_counters.isNehalemClass &&
        average < CountersUnusableFactor)
        m_counters.countersGivenUp = true;

    bool cycleCounters = m_counters.isNehalemClass || (m_counters.useCycleCounters && !m_counters.countersGivenUp);
    m_multiplier = cycleCounters ? cycleCounterMultiplier() : ratioRegisterMultiplier();

    updateClockTexts(m_multiplier);
    updateInfoText(options);
    updateLoadText(options);
}

void ClockReadings::NextInfoView(const ReadingOptions& options)
{
    int next = m_infoView + 1;
    m_infoView = next < InfoViewCount(m_info) ? next : RunTimerView;
    UpdateReadings(options);
}

double ClockReadings::cycleCounterMultiplier() const
{
    int busiest = BusiestCpu(m_counters, m_counters.flavour.lastCpu + 1);
    double factor = m_counters.ratioFactor[busiest];
    return RoundMultiplier(m_counters.nominalRatio * factor, factor);
}

double ClockReadings::ratioRegisterMultiplier()
{
    using namespace msr;
    double sum = 0.0;
    int readings = 0;
    for (int cpu = 0; cpu <= m_counters.flavour.lastCpu; ++cpu) {
        if (!m_counters.measured(cpu) || !m_access.pin(cpu))
            continue;
        uint64_t powerOn = m_access.read(MSR_EBL_CR_POWERON);
        double ratio = static_cast<double>(ebl_cr_poweron::PowerOnRatio.get(powerOn));
        if (ebl_cr_poweron::HalfRatio.test(powerOn))
            ratio += 0.5;
        else if (perf_status::NonIntegerBusRatio.test(m_access.read(IA32_PERF_STATUS)))
            ratio /= 2.0;
        sum += ratio;
        ++readings;
    }
    m_access.unpin();
    double average = readings > 0 ? sum / readings : 3.0;
    return RoundToHalf(average);
}

void ClockReadings::updateClockTexts(double multiplier)
{
    double tscMHz = m_shared.tscMHz.load();
    if (static_cast<int64_t>(tscMHz) <= 0)
        return; // the clock thread has no estimate yet

    double coreClock = tscMHz * multiplier / m_counters.baseRatio;
    m_shared.coreClockMHz.store(coreClock);
    m_texts.clock = platform::cformat("%.2f MHz", coreClock);

    double bus = tscMHz / m_counters.baseRatio;
    double shownMultiplier = multiplier;
    if (!m_counters.isNehalemClass) {
        // Half-ratio bus mode: the processor runs at half the bus clock with
        // twice the multiplier it reports.
        uint64_t perfStatus = m_access.read(msr::IA32_PERF_STATUS);
        if (msr::perf_status::NonIntegerBusRatio.test(perfStatus) &&
            2.0 * multiplier < static_cast<double>(msr::perf_status::CurrentRatio.get(perfStatus))) {
            bus /= 2.0;
            shownMultiplier *= 2.0;
        }
    }
    m_texts.multiplier = platform::cformat("%.2f x %.1f", bus, shownMultiplier);
}

void ClockReadings::updateInfoText(const ReadingOptions& options)
{
    int64_t now = nowSeconds();
    m_runTimer.observe(now, options.refreshIntervalMs);
    if (m_counters.flavour.infoChoice == InfoChoice::VidInfoKey) {
        m_infoView = options.vidInfo && !m_info.nehalemClass ? VidView : RunTimerView;
        if (m_infoView == VidView) {
            uint64_t perfStatus = m_access.read(msr::IA32_PERF_STATUS);
            double volts = VidVolts(SixCoreVidFormula(m_info.modelName, m_info.signature), perfStatus);
            m_texts.info = platform::cformat("VID   %.4f", volts);
        } else {
            m_texts.info = RunTimer::format(m_runTimer.elapsed(now));
        }
        return;
    }
    switch (m_infoView) {
    case VidView: {
        uint64_t perfStatus = m_access.read(msr::IA32_PERF_STATUS);
        VidFormula formula = m_info.sandyBridgeClass ? VidFormula::SandyBridge
                             : m_info.mobileModel    ? VidFormula::Mobile
                                                     : VidFormula::Desktop;
        m_texts.info = platform::cformat("%.4f VID", VidVolts(formula, perfStatus));
        break;
    }
    case PowerView:
        m_texts.info = platform::cformat("%.1f W", m_counters.packageWatts);
        break;
    default:
        m_texts.info = RunTimer::format(m_runTimer.elapsed(now));
        break;
    }
}

void ClockReadings::updateLoadText(const ReadingOptions& options)
{
    double load = 0.0;
    if (options.tmLoad) {
        load = m_shared.systemLoad.load();
    } else if (m_counters.count > 0) {
        double sum = 0.0;
        for (int cpu = 0; cpu <= m_counters.flavour.lastCpu; ++cpu)
            sum += m_counters.load[cpu];
        load = sum / m_counters.count;
        if (load > 100.0)
            load = 100.0;
    }
    m_load = load;
    m_texts.load = platform::cformat("Load %5.1f%%", load);
}

} // namespace monitor
