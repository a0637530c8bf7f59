#include "monitor/sampling/SamplingCycle.h"

#include "registers/MsrIndex.h"
#include "monitor/sampling/TemperatureFormula.h"

#include <algorithm>
#include <cstdio>

namespace monitor {

namespace {

namespace modulation = msr::clock_modulation;

// The enable bit and duty code of IA32_CLOCK_MODULATION in their places
// (bits 4..1); only called while the enable bit is set.
int enableAndDuty(uint64_t clockModulation)
{
    return static_cast<int>(modulation::DutyCycle.set(modulation::Enable.set(0, 1),
                                                      modulation::DutyCycle.get(clockModulation)));
}

std::string formatInt(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

void clearExtremes(CoreSample& core)
{
    core.minReadout = 128;
    core.maxReadout = -64;
    core.minTemperature = 256;
    core.maxTemperature = -64;
    core.temperatureSum = 0;
    core.readoutSum = 0;
    core.minTemperatureText.clear();
    core.maxTemperatureText.clear();
    core.minTemperatureTime.reset();
    core.maxTemperatureTime.reset();
}

} // namespace

std::string modulationHeadingFor(int modulationDuty)
{
    if (modulationDuty == NoModulation)
        return "Thermal Status";
    // Duty codes 1..7 are eighths of the clock; code 0 runs at half.
    const int code = static_cast<int>(modulation::DutyCycle.get(static_cast<uint64_t>(modulationDuty)));
    const int tenths = code == 0 ? 500 : code * 125;
    char text[48];
    std::snprintf(text, sizeof text, "Clock Modulation  %d.%d%%", tenths / 10, tenths % 10);
    return text;
}

SamplingCycle::SamplingCycle(hw::HardwareAccess& access, const hw::ProcessorInfo& info,
                             const MonitorSettings& settings, const hw::BuildFlavour& flavour)
    : m_access(access), m_info(info), m_settings(settings), m_flavour(flavour)
{
    m_samples.averagingStart = m_access.processor().localTime();
}

void SamplingCycle::setStep(CycleStep step, Hook hook) { m_steps[static_cast<size_t>(step)] = std::move(hook); }

void SamplingCycle::setResetStep(ResetStep step, Hook hook)
{
    m_resetSteps[static_cast<size_t>(step)] = std::move(hook);
}

void SamplingCycle::setGpuReading(GpuReading reading) { m_gpuReading = std::move(reading); }

void SamplingCycle::attachClockThread(std::atomic<int>* runFlag) { m_clockRunFlag = runFlag; }

void SamplingCycle::tick()
{
    SampleSet& s = m_samples;

    ++s.tickCount;
    if (s.tickCount == 4 && m_info.killMhz && m_clockRunFlag != nullptr) {
        int running = 1;
        m_clockRunFlag->compare_exchange_strong(running, -1);
    }

    s.alarmThisTick = false;
    s.alarmText.clear();
    s.alarmTemperature = -128;

    s.hottestTemperature = -128;
    s.closestReadout = 128;
    s.modulationDuty = NoModulation;
    s.tooltipText.clear();
    s.captionText.clear();
    const std::tm now = m_access.processor().localTime();
    const int slots = std::min(m_flavour.coreSlots, hw::MaxCoreSlots);
    for (int slot = 0; slot < slots; ++slot)
        if (m_info.corePresent(slot))
            sampleCore(slot, now);

    updateModulationHeading();

    if (m_gpuReading)
        if (const std::optional<int> celsius = m_gpuReading())
            sampleGpu(*celsius, now);

    for (const Hook& step : m_steps)
        if (step)
            step();
}

void SamplingCycle::sampleCore(int slot, const std::tm& now)
{
    SampleSet& s = m_samples;
    CoreSample& core = s.cores[slot];

    if (!m_access.pin(m_info.coreCpu[slot])) {
        // The core's CPU refused the pinning (a cpuset or container changed):
        // absent this tick, its texts blank rather than another core's.
        m_access.unpin();
        core.absent = true;
        core.statusText.clear();
        core.temperatureText.clear();
        core.readoutText.clear();
        return;
    }
    platform::MsrRead reads[] = {{msr::IA32_THERM_STATUS}, {msr::IA32_CLOCK_MODULATION}};
    m_access.read(reads);
    const uint64_t thermStatus = reads[0].value;
    const uint64_t clockModulation = reads[1].value;
    m_access.unpin();
    core.absent = false;

    const ThermalReading reading = decodeThermalStatus(thermStatus);
    core.readout = reading.readout;
    core.thermalStatus = reading.thermalStatus;
    core.thermalLog = reading.thermalLog;
    s.closestReadout = std::min(s.closestReadout, reading.readout);
    core.statusText = thermalStatusText(reading, slot);

    const IdleFormula formula =
        m_flavour.oldIdleFormula && m_settings.OldFormula != 0 ? IdleFormula::Old : IdleFormula::Current;
    const int t = toDisplayUnit(coreCelsius(m_info.tjMax[slot], reading, m_settings.Idle[slot], formula));

    core.temperature = t;
    core.temperatureSum += t;
    core.readoutSum += reading.readout;
    s.hottestTemperature = std::max(s.hottestTemperature, t);

    if (t < core.minTemperature) {
        core.minTemperature = t;
        core.minTemperatureText = withUnit(t);
        core.minTemperatureTime = now;
    }
    if (t > core.maxTemperature) {
        core.maxTemperature = t;
        core.maxTemperatureText = withUnit(t);
        core.maxTemperatureTime = now;
    }
    core.minReadout = std::min(core.minReadout, reading.readout);
    core.maxReadout = std::max(core.maxReadout, reading.readout);

    core.readoutText = formatInt(reading.readout);
    core.temperatureText = formatInt(t);
    if (!s.tooltipText.empty())
        s.tooltipText += "\n";
    s.tooltipText += "Core " + formatInt(slot) + ":  " + withUnit(t);
    if (!s.captionText.empty())
        s.captionText += " ";
    s.captionText += withUnit(t);

    if (m_settings.Alarm != 0 && t >= m_settings.Alarm1)
        noteAlarm("Core " + formatInt(slot), t, m_settings.Alarm1);

    if (modulation::Enable.test(clockModulation))
        s.modulationDuty = std::min(s.modulationDuty, enableAndDuty(clockModulation));
}

void SamplingCycle::updateModulationHeading()
{
    SampleSet& s = m_samples;
    s.modulationHeadingChanged = s.modulationDuty != s.previousModulationDuty;
    if (s.modulationHeadingChanged) {
        s.modulationHeading = modulationHeadingFor(s.modulationDuty);
        s.previousModulationDuty = s.modulationDuty;
    }
}

void SamplingCycle::sampleGpu(int celsius, const std::tm& now)
{
    SampleSet& s = m_samples;
    GpuSample& gpu = s.gpu;
    const int t = toDisplayUnit(celsius);
    gpu.temperature = t;
    gpu.temperatureSum += t;
    if (m_settings.Alarm != 0 && t >= m_settings.Alarm2)
        noteAlarm("GPU", t, m_settings.Alarm2);
    if (t < gpu.minTemperature) {
        gpu.minTemperature = t;
        gpu.minTemperatureTime = now;
    }
    if (t > gpu.maxTemperature) {
        gpu.maxTemperature = t;
        gpu.maxTemperatureTime = now;
    }
    s.gpuText = "GPU  " + withUnit(t);
}

void SamplingCycle::reset()
{
    SampleSet& s = m_samples;
    for (CoreSample& core : s.cores)
        clearExtremes(core);
    s.gpu.minTemperature = 256;
    s.gpu.maxTemperature = -64;
    s.gpu.temperatureSum = 0;
    s.gpu.minTemperatureTime.reset();
    s.gpu.maxTemperatureTime.reset();
    s.tickCount = 0;
    s.averagingStart = m_access.processor().localTime();

    for (const Hook& step : m_resetSteps)
        if (step)
            step();
}

int SamplingCycle::toDisplayUnit(int celsius) const
{
    return m_settings.Fahrenheit ? celsiusToFahrenheit(celsius) : celsius;
}

std::string SamplingCycle::withUnit(int temperature) const { return formatInt(temperature) + m_settings.unitText; }

void SamplingCycle::noteAlarm(const std::string& source, int temperature, int threshold)
{
    SampleSet& s = m_samples;
    s.alarmThisTick = true;
    if (temperature <= s.alarmTemperature)
        return;
    s.alarmTemperature = temperature;
    const std::string unit = " " + m_settings.unitText;
    s.alarmText = source + ": " + formatInt(temperature) + unit + " (alarm at " + formatInt(threshold) + unit + ")";
}

} // namespace monitor
