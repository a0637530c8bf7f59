#pragma once
// The exporter's measuring core: the monitor's start-up steps that only read
// (identification, core map, TjMax, the clock and load counters, the GPU
// sensors), then on every sample each core's thermal status, each logical
// CPU's effective multiplier and C0 share, the package energy and the GPU
// temperatures. Unlike the monitor it never touches clock modulation or the
// turbo limits and keeps no settings file.

#include "exporter/ExporterSample.h"

#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"
#include "monitor/gpu/GpuBackends.h"
#include "monitor/gpu/GpuSensors.h"
#include "monitor/measure/ClockCounters.h"
#include "monitor/measure/ClockReadings.h"
#include "monitor/measure/SharedReadings.h"
#include "monitor/measure/WorkerThread.h"
#include "monitor/settings/MonitorSettings.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace exporter {

// The monitor's counter measurement with the general-purpose counters, on as
// many logical CPUs as it measures, with the package energy.
constexpr monitor::MeasureFlavour ExporterMeasure{monitor::CounterKind::Programmable, monitor::MaxMeasuredCpus - 1,
                                                  true, platform::ThreadPriority::Normal,
                                                  monitor::InfoChoice::Views};

class ExporterSampler {
public:
    ExporterSampler(std::shared_ptr<platform::Processor> processor, monitor::GpuBackends gpus);
    // Stops the clock thread and closes the register access.
    ~ExporterSampler();
    ExporterSampler(const ExporterSampler&) = delete;
    ExporterSampler& operator=(const ExporterSampler&) = delete;

    // Opens the register access and identifies the processor; empty when the
    // exporter may sample, else what is wrong and how to fix it.
    std::string start();
    // Whether the clock thread has measured the time-stamp rate (frequencies
    // are left out until it has).
    bool clockKnown() const;
    // One sample; `errors` carries the counts of the failures outside the
    // sampler (the textfile's) into it.
    ExporterSample sample(int alarmCelsius, const ErrorCounts& outside);

private:
    void sampleCores(ExporterSample& sample);
    void sampleCpus(ExporterSample& sample);
    void samplePackage(ExporterSample& sample);
    void sampleGpus(ExporterSample& sample);

    std::shared_ptr<platform::Processor> m_processor;
    hw::HardwareAccess m_access;
    hw::ProcessorInfo m_info;
    monitor::MonitorSettings m_settings;
    std::optional<monitor::ClockCounters> m_counters;
    std::shared_ptr<monitor::SharedReadings> m_shared = std::make_shared<monitor::SharedReadings>();
    monitor::WorkerThread m_clockThread;
    std::unique_ptr<monitor::ClockReadings> m_readings;
    monitor::GpuSensors m_gpus;
    bool m_opened = false;

    // The cores sampled: every core of a processor mapped from its topology
    // leaves, else the monitor's slots.
    struct WatchedCore {
        int place = 0;
        int cpu = 0;
        int package = 0;
        std::string type;
        int tjMax = 100;
    };
    std::vector<WatchedCore> m_watched;
    void chooseCores();
    double m_jouleUnit = 0.0;
    uint32_t m_energySeen = 0;
    double m_joules = 0.0;
    uint64_t m_samples = 0;
    double m_secondsTotal = 0.0;
    ErrorCounts m_errors;
};

} // namespace exporter
