#pragma once
// The work of one timer tick: read every present core's thermal sensor and
// clock modulation, turn the readings into temperatures, extremes, sums and
// texts, then hand over to the later steps in their fixed order. Also the
// Reset command. Runs on the user-interface thread only.
//
// The later steps belong to other parts of the monitor, which plug them in at
// their place with setStep(); a step nobody registered is left out.

#include "hw/BuildFlavour.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"
#include "monitor/sampling/SampleSet.h"
#include "monitor/settings/MonitorSettings.h"

#include <array>
#include <atomic>
#include <functional>
#include <optional>

namespace monitor {

// The steps after the graphics reading, in the order a tick runs them.
enum class CycleStep {
    Alarm,         // alarm handling with alarmThisTick
    CoreIcons,     // per-core notification-area icons
    WindowCaption, // caption when minimised, or remember the window rectangle and apply OnTop
    Measurement,   // clock, multiplier, VID, power and load
    Log,           // log line when due
    MaxIcon,       // the "Max" icon
    HeadingStyle,  // heading colours after the settings window changed them
    PushTexts,     // all texts into the window's controls
};
constexpr int CycleStepCount = 8;

// What Reset hands over after clearing the cycle's own bookkeeping.
enum class ResetStep {
    GpuExtremes,   // per-sensor extremes of the graphics sensors
    WindowRefresh, // redraw the window
};
constexpr int ResetStepCount = 2;

class SamplingCycle {
public:
    using Hook = std::function<void()>;
    // The hotter of the NVIDIA and ATI temperatures in °C, or nothing while no
    // graphics sensor is in use.
    using GpuReading = std::function<std::optional<int>()>;

    SamplingCycle(hw::HardwareAccess& access, const hw::ProcessorInfo& info, const MonitorSettings& settings,
                  const hw::BuildFlavour& flavour);

    void setStep(CycleStep step, Hook hook);
    void setResetStep(ResetStep step, Hook hook);
    void setGpuReading(GpuReading reading);
    // The run flag of the clock-measurement thread (1 while it runs); the
    // fourth tick asks it to stop (-1) when killMhz is set.
    void attachClockThread(std::atomic<int>* runFlag);

    // One tick of the main timer.
    void tick();
    // Clears minimum, maximum and average bookkeeping (the Reset button, and
    // a change of the temperature unit).
    void reset();

    const SampleSet& samples() const { return m_samples; }
    SampleSet& samples() { return m_samples; }

private:
    void sampleCore(int slot, const std::tm& now);
    void updateModulationHeading();
    void sampleGpu(int celsius, const std::tm& now);
    int toDisplayUnit(int celsius) const;
    std::string withUnit(int temperature) const;
    // Raises this cycle's alarm for `source`; the hottest source names it.
    void noteAlarm(const std::string& source, int temperature, int threshold);

    hw::HardwareAccess& m_access;
    const hw::ProcessorInfo& m_info;
    const MonitorSettings& m_settings;
    hw::BuildFlavour m_flavour;

    SampleSet m_samples;
    std::array<Hook, CycleStepCount> m_steps;
    std::array<Hook, ResetStepCount> m_resetSteps;
    GpuReading m_gpuReading;
    std::atomic<int>* m_clockRunFlag = nullptr;
};

// "Clock Modulation  %.1f%" for an enable-and-duty value, or "Thermal Status"
// for NoModulation.
std::string modulationHeadingFor(int modulationDuty);

} // namespace monitor
