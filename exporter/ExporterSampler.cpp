#include "exporter/ExporterSampler.h"

#include "hw/CoreMap.h"
#include "hw/Messages.h"
#include "hw/ProcessorIdentification.h"
#include "hw/TjMaxRules.h"
#include "monitor/measure/ClockThread.h"
#include "monitor/measure/CreateCounters.h"
#include "monitor/sampling/TemperatureFormula.h"
#include "platform/AccessStatus.h"
#include "registers/MsrIndex.h"

#include <bit>
#include <chrono>

namespace exporter {
namespace {

// The identification's messages, kept for the start-up's answer.
class CollectedMessages : public hw::Messages {
public:
    void showError(const std::string& caption, const std::string& text) override
    {
        if (!m_text.empty())
            m_text += "; ";
        m_text += caption.empty() ? text : caption + ": " + text;
    }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

// The core_type label: "P", "E", or none where the processor does not say.
std::string coreTypeLabel(hw::CoreType type)
{
    switch (type) {
    case hw::CoreType::Performance: return "P";
    case hw::CoreType::Efficient: return "E";
    case hw::CoreType::Unknown: break;
    }
    return {};
}

// The logical CPU that reads a core slot's sensor.
int cpuOfSlot(const hw::ProcessorInfo& info, int slot) { return info.coreCpu[slot]; }

} // namespace

ExporterSampler::ExporterSampler(std::shared_ptr<platform::Processor> processor, monitor::GpuBackends gpus)
    : m_processor(std::move(processor))
    , m_access(*m_processor)
    , m_gpus(std::move(gpus), [p = m_processor.get()] { return p->localTime(); }, std::string())
{
}

ExporterSampler::~ExporterSampler()
{
    if (m_clockThread.running())
        monitor::StopWorkerThreads(*m_shared, *m_processor);
    m_clockThread.release();
    m_gpus.close();
    if (m_opened)
        m_processor->deinitialise();
}

std::string ExporterSampler::start()
{
    platform::Processor& p = *m_processor;
    p.initialise();
    const int status = p.status();
    if (status != platform::StatusReady || !p.capabilityTest()) {
        std::string error = "cannot read the model-specific registers: " + platform::statusText(status);
        if (const std::string hint = platform::statusHint(status); !hint.empty())
            error += "; " + hint;
        return error;
    }
    m_opened = true;
    m_access.refreshMasks();

    CollectedMessages messages;
    if (hw::identifyProcessor(m_access, m_info, messages) == hw::Support::Unsupported)
        return messages.text().empty() ? "this processor is not supported" : messages.text();
    m_counters.emplace(monitor::CreateCounters(m_access, m_info, ExporterMeasure, 0));
    hw::mapCores(m_access, m_info);
    m_clockThread = monitor::StartClockThread(m_processor, m_shared);
    hw::applyModelRules(m_info, 0, hw::FourCoreBuild);
    hw::selectPackage(m_info, 0, hw::FourCoreBuild);
    if (m_info.nehalemClass)
        hw::readTemperatureTargets(m_access, m_info);

    chooseCores();

    if (m_counters->hasEnergyCounter) {
        const uint64_t units = msr::rapl_power_unit::EnergyStatusUnits.get(m_access.read(msr::MSR_RAPL_POWER_UNIT));
        m_jouleUnit = 1.0 / static_cast<double>(uint64_t(1) << units);
        m_energySeen = m_counters->energyLast;
    }

    m_settings.GPU = monitor::GpuSensors::NvidiaBit | monitor::GpuSensors::AtiBit;
    m_gpus.openAtStartup(m_settings);
    m_settings.gpuPresent = m_settings.nvidiaPresent || m_settings.atiPresent;

    m_readings = std::make_unique<monitor::ClockReadings>(m_access, *m_counters, *m_shared, m_info, 0);
    return {};
}

bool ExporterSampler::clockKnown() const { return m_shared->tscMHz.load() >= 1.0; }

ExporterSample ExporterSampler::sample(int alarmCelsius, const ErrorCounts& outside)
{
    const auto begin = std::chrono::steady_clock::now();
    ExporterSample s;
    s.model = m_info.displayName;
    s.signature = m_info.signature;
    s.alarmCelsius = alarmCelsius;

    sampleCores(s);
    sampleCpus(s);
    samplePackage(s);
    sampleGpus(s);

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    m_secondsTotal += seconds;
    s.samples = ++m_samples;
    s.sampleSeconds = seconds;
    s.sampleSecondsTotal = m_secondsTotal;
    s.errors = m_errors;
    s.errors.textfileWrite = outside.textfileWrite;
    return s;
}

void ExporterSampler::chooseCores()
{
    m_watched.clear();
    if (m_info.topologyFromLeaves) {
        for (size_t place = 0; place < m_info.cores.size(); ++place) {
            const hw::CoreEntry& core = m_info.cores[place];
            WatchedCore watched{static_cast<int>(place), core.cpu, core.package, coreTypeLabel(core.type),
                                m_info.tjMax[0]};
            uint64_t target = 0;
            if (m_access.pin(core.cpu) && m_access.read(msr::MSR_TEMPERATURE_TARGET, target))
                watched.tjMax = hw::tjMaxOfTarget(target);
            m_watched.push_back(watched);
        }
    } else {
        for (int slot = 0; slot < hw::MaxCoreSlots; ++slot) {
            if (!m_info.corePresent(slot))
                continue;
            // Processors mapped by their APIC ids have one kind of core.
            m_watched.push_back({slot, cpuOfSlot(m_info, slot), 0, {}, m_info.tjMax[static_cast<size_t>(slot)]});
        }
    }
    m_access.unpin();
}

void ExporterSampler::sampleCores(ExporterSample& s)
{
    for (const WatchedCore& watched : m_watched) {
        const int cpu = watched.cpu;
        uint64_t thermStatus = 0;
        const bool read = m_access.pin(cpu) && m_access.read(msr::IA32_THERM_STATUS, thermStatus);
        m_access.unpin();
        if (!read) {
            ++m_errors.coreUnread;
            continue;
        }
        const monitor::ThermalReading reading = monitor::decodeThermalStatus(thermStatus);
        CoreFigures core;
        core.slot = watched.place;
        core.cpu = cpu;
        core.package = watched.package;
        core.coreType = watched.type;
        core.tjMaxCelsius = watched.tjMax;
        core.distanceToTjMax = reading.readout;
        core.temperatureCelsius = monitor::coreCelsius(core.tjMaxCelsius, reading, 0, monitor::IdleFormula::Current);
        core.thermStatus = thermStatus;
        s.cores.push_back(core);
    }
}

void ExporterSampler::sampleCpus(ExporterSample& s)
{
    monitor::ClockCounters& counters = *m_counters;
    // The monitor's measurement step: the counters' differences since the
    // last sample, the package energy, the counters started again.
    m_readings->UpdateReadings(monitor::ReadingOptions{});
    const double tscMHz = m_shared->tscMHz.load();
    for (int cpu = 0; cpu <= counters.flavour.lastCpu; ++cpu) {
        if (!counters.measured(cpu))
            continue;
        CpuFigures figures;
        figures.cpu = cpu;
        const auto index = static_cast<size_t>(cpu);
        figures.multiplier = counters.nominalRatio * counters.ratioFactor[index];
        figures.c0Ratio = counters.load[index] / 100.0;
        if (tscMHz >= 1.0)
            figures.frequencyHz = figures.multiplier * tscMHz / counters.baseRatio * 1e6;
        s.cpus.push_back(figures);
    }
}

void ExporterSampler::samplePackage(ExporterSample& s)
{
    const monitor::ClockCounters& counters = *m_counters;
    if (!counters.hasEnergyCounter)
        return;
    // The 32-bit counter wraps; one wrap between samples is told apart by
    // the unsigned difference.
    const uint32_t advance = counters.energyLast - m_energySeen;
    m_energySeen = counters.energyLast;
    m_joules += static_cast<double>(advance) * m_jouleUnit;
    s.packageWatts = counters.packageWatts;
    s.packageJoules = m_joules;
}

void ExporterSampler::sampleGpus(ExporterSample& s)
{
    if (!m_gpus.read())
        return;
    if (monitor::NvidiaSensor* nvidia = m_gpus.nvidia())
        s.gpus.push_back({"nvidia", nvidia->currentMax()});
    if (monitor::AtiSensor* ati = m_gpus.ati())
        s.gpus.push_back({"ati", ati->currentMax()});
}

} // namespace exporter
