#include "monitor/lifecycle/MonitorStartup.h"

#include "hw/CoreMap.h"
#include "hw/ProcessorIdentification.h"
#include "hw/TjMaxRules.h"
#include "monitor/lifecycle/ClockModulation.h"
#include "monitor/measure/ClockThread.h"
#include "monitor/measure/CreateCounters.h"
#include "monitor/measure/LoadCounterThread.h"
#include "monitor/lifecycle/MonitorTick.h"
#include "monitor/settings/ProcessorFacts.h"
#include "monitor/settings/SettingsStore.h"
#include "monitor/settings/TurboLimitsStore.h"
#include "platform/AccessStatus.h"

#include <cstdio>
#include <new>
#include <span>

namespace monitor {

namespace {

constexpr const char* DriverErrorCaption = "Driver Error";
constexpr const char* AllocationErrorText = "Memory Allocation Error.";

void raisePriorities(MonitorRecords& m)
{
    platform::Processor& p = m.processor;
    // The six-core build sets the normal class and runs its user-interface
    // thread time-critical; the four-core build raises both one step.
    p.setPriorityClass(m.flavour.sixCoreRules ? platform::PriorityClass::Normal
                                              : platform::PriorityClass::AboveNormal);
    p.sleep(0);
    p.setThreadPriority(m.flavour.sixCoreRules ? platform::ThreadPriority::TimeCritical
                                               : platform::ThreadPriority::AboveNormal);
    p.sleep(0);
}

void widenAffinity(MonitorRecords& m)
{
    platform::Processor& p = m.processor;
    platform::CpuSet process;
    platform::CpuSet system;
    if (p.processAffinity(process, system) && !system.without(process).empty()) {
        p.setProcessAffinity(system);
        p.sleep(0);
        p.setThreadAffinity(system);
        p.sleep(0);
    }
    m.access.refreshMasks();
}

} // namespace

int InitialiseWaitMs(const hw::BuildFlavour& flavour) { return flavour.sixCoreRules ? 250 : 500; }

StartupOutcome RunStartup(MonitorRecords& m, hw::Messages& messages, const StartupHooks& hooks)
{
    platform::Processor& p = m.processor;

    raisePriorities(m);
    platform::beginTimerPeriod(10);

    p.initialise();
    p.sleep(static_cast<uint32_t>(InitialiseWaitMs(m.flavour)));
    m.driverStatus = p.status();
    if (m.driverStatus == platform::StatusReady && p.capabilityTest())
        m.settings.emplace();

    widenAffinity(m);
    if (m.settings)
        LoadFonts(*m.settings, m.iniPath, m.layout);

    if (!m.settings) {
        messages.showError(DriverErrorCaption, platform::statusText(m.driverStatus));
        return StartupOutcome::DriverError;
    }
    MonitorSettings& settings = *m.settings;

    if (hw::identifyProcessor(m.access, m.info, messages) == hw::Support::Unsupported)
        return StartupOutcome::UnsupportedProcessor;

    LoadStartupKeys(settings, m.iniPath, m.layout);
    try {
        m.counters.emplace(CreateCounters(m.access, m.info, m.measureFlavour, settings.MSRMulti));
    } catch (const std::bad_alloc&) {
        messages.showError("", AllocationErrorText);
        return StartupOutcome::AllocationError;
    }

    m.signatureText = hw::signatureText(m.info, m.flavour);
    m.shortSignatureText = hw::shortSignatureText(m.info);
    hw::mapCores(m.access, m.info, m.flavour.mappedSlots);

    m.clockThread = StartClockThread(m.processorOwner, m.shared);

    hw::applyModelRules(m.info, settings.KillMHz, m.flavour);
    hw::selectPackage(m.info, settings.Skull, m.flavour);
    const std::string notice = hw::moreCoresNotice(m.info, m.flavour);
    if (!notice.empty())
        std::fprintf(stderr, "%s: %s\n", m.flavour.programName, notice.c_str());
    if (m.info.nehalemClass)
        hw::readTemperatureTargets(m.access, m.info);

    // The settings with the work their keys ask for, in the keys' order.
    if (hooks.openGpuSensors)
        hooks.openGpuSensors(settings);
    LoadAll(settings, m.iniPath, processorFacts(m.info), m.layout);
    // The stored limits belong to the Turbo Boost Limits window of Nehalem to
    // Sandy Bridge; later processors fault on its power and current register.
    if (m.info.turboCurrentLimit)
        ApplyStartupTurboLimits(settings, m.iniPath, m.access, m.layout);
    if (settings.TMLoad)
        m.loadThread = StartLoadCounterThread(m.processorOwner, m.shared, m.measureFlavour.loadThreadPriority);
    WriteClockModulation(m.access, static_cast<uint32_t>(settings.ClockMod));
    hw::applyTjMaxOverrides(m.info, std::span<const int>(settings.TjMax.data(), m.layout.coreKeys));

    try {
        m.cycle = std::make_unique<SamplingCycle>(m.access, m.info, settings, m.flavour);
        m.readings = std::make_unique<ClockReadings>(m.access, *m.counters, *m.shared, m.info,
                                                     settings.InfoWindowIndex);
    } catch (const std::bad_alloc&) {
        messages.showError("", AllocationErrorText);
        m.cycle.reset();
        return StartupOutcome::AllocationError;
    }
    // Start from the cleared state of Reset: its minimum of 256 lets the
    // first reading set the minimum in Fahrenheit as well (a start value of
    // 128 would hide every minimum above 128 °F until a Reset).
    m.cycle->reset();
    m.cycle->attachClockThread(&m.shared->clockControl);
    ConnectMeasurementSteps(m);
    return StartupOutcome::Running;
}

} // namespace monitor
