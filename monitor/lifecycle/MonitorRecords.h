#pragma once
// The monitor's process-wide records: the register access, what is known
// about the processor, the settings, the measurement state and its threads,
// the sampling cycle and the log. Created before the main window starts up,
// filled by the start-up sequence (MonitorStartup.h), used by every tick and
// released by the shutdown sequence (MonitorShutdown.h). Only the
// user-interface thread touches them; the worker threads share only
// `shared`.

#include "hw/BuildFlavour.h"
#include "hw/HardwareAccess.h"
#include "hw/ProcessorInfo.h"
#include "monitor/measure/ClockCounters.h"
#include "monitor/measure/ClockReadings.h"
#include "monitor/sampling/SamplingCycle.h"
#include "monitor/measure/SharedReadings.h"
#include "monitor/measure/WorkerThread.h"
#include "monitor/log/MonitorLog.h"
#include "monitor/settings/MonitorSettings.h"
#include "monitor/settings/SettingsLayout.h"

#include <memory>
#include <optional>
#include <string>

namespace monitor {

struct MonitorRecords {
    // The worker threads share the ownership of `processor`: one that misses
    // the shutdown wait keeps it alive until it has ended.
    MonitorRecords(std::shared_ptr<platform::Processor> processor, const hw::BuildFlavour& flavour,
                   std::string iniPath);
    // Over a processor the caller keeps alive until the worker threads have
    // ended, even ones the shutdown gave up waiting for.
    MonitorRecords(platform::Processor& processor, const hw::BuildFlavour& flavour, std::string iniPath);
    // Stops worker threads that a shutdown did not stop (a failed start-up,
    // a test that ends early): they use `processor`.
    ~MonitorRecords();
    MonitorRecords(const MonitorRecords&) = delete;
    MonitorRecords& operator=(const MonitorRecords&) = delete;

    const std::shared_ptr<platform::Processor> processorOwner; // what the worker threads hold
    platform::Processor& processor;
    hw::HardwareAccess access;
    const hw::BuildFlavour flavour;
    const SettingsLayout& layout;
    const MeasureFlavour measureFlavour;
    const std::string iniPath;
    // Where a log named without a folder goes; empty: the current folder.
    std::string logFolder;

    // Status of the register access after Initialise; 0 ready.
    int driverStatus = 0;
    hw::ProcessorInfo info;
    // Created only once the register access works.
    std::optional<MonitorSettings> settings;
    std::optional<ClockCounters> counters;
    std::shared_ptr<SharedReadings> shared = std::make_shared<SharedReadings>();
    WorkerThread clockThread;
    WorkerThread loadThread;
    std::unique_ptr<SamplingCycle> cycle;
    std::unique_ptr<ClockReadings> readings;
    MonitorLog log;

    // The processor signature as the window shows it: "%05X" (the GPU
    // button's text until a GPU temperature arrives) and "%04X" (the small
    // field shown without a GPU sensor).
    std::string signatureText;
    std::string shortSignatureText;

    // True between a successful start-up and the shutdown.
    bool running() const { return cycle != nullptr; }
};

// The measurement flavour that goes with a build.
constexpr const MeasureFlavour& measureFlavourFor(const hw::BuildFlavour& flavour)
{
    if (flavour.showsEveryCore())
        return ManyCoreMeasure;
    return flavour.sixCoreRules ? SixCoreMeasure : FourCoreMeasure;
}

} // namespace monitor
