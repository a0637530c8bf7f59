#pragma once
// A simulated processor set up for the measurement tests: a clock that moves
// a microsecond with every reading (as time passes while real code runs) and
// jumps when told, a processor wrapper that can overlay register values and
// hold its sleeps, and the monitor's records created as at start-up.

#include "monitor/measure/ClockCounters.h"
#include "monitor/measure/ClockReadings.h"
#include "monitor/measure/CreateCounters.h"
#include "monitor/measure/SharedReadings.h"

#include "hw/HardwareAccess.h"
#include "hw/Messages.h"
#include "registers/MsrIndex.h"
#include "hw/ProcessorIdentification.h"
#include "hw/ProcessorInfo.h"
#include "platform/ForwardingProcessor.h"
#include "sim/SimulatedProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <string>

namespace measuretest {

class SteppingClock : public sim::Clock {
public:
    int64_t nanoseconds() const override { return m_now.fetch_add(StepNs) + StepNs; }
    std::time_t wallTime() const override
    {
        return 1262304000 + static_cast<std::time_t>(m_now.load() / 1000000000LL) + m_wallShift.load();
    }
    void sleep(uint32_t milliseconds) override { m_now.fetch_add(int64_t(milliseconds) * 1000000); }

    void advanceSeconds(double seconds) { m_now.fetch_add(static_cast<int64_t>(seconds * 1e9)); }
    // The system clock is set: wall time moves, the monotonic clock does not.
    void shiftWallClock(std::time_t seconds) { m_wallShift.fetch_add(seconds); }

    static constexpr int64_t StepNs = 1000;

private:
    mutable std::atomic<int64_t> m_now{0};
    std::atomic<std::time_t> m_wallShift{0};
};

// Forwards to the simulated processor; register reads can be overlaid with
// fixed values, and Sleep(n > 0) can be routed through a hook.
class OverlayProcessor : public platform::ForwardingProcessor {
public:
    explicit OverlayProcessor(platform::Processor& inner) : ForwardingProcessor(inner) {}

    // Reads of `index` return (value & ~mask) | (replacement & mask).
    void overlay(uint32_t index, uint64_t replacement, uint64_t mask = ~0ull) { m_overlays[index] = {replacement, mask}; }
    void clearOverlay(uint32_t index) { m_overlays.erase(index); }
    // Reads of `index` fail (writes still reach the processor).
    void failReads(uint32_t index) { m_unreadable.insert(index); }
    // Reads of `index` return on each CPU the value last read there: the
    // counter stands still, as no counter of a running program's CPU does
    // on its own.
    void hold(uint32_t index)
    {
        std::lock_guard lock(m_lastLock);
        m_held.insert(index);
    }
    std::function<void(uint32_t)> sleepHook;

    bool readMsr(uint32_t index, uint32_t& low, uint32_t& high) override
    {
        if (m_unreadable.count(index))
            return false;
        std::lock_guard lock(m_lastLock);
        const auto selected = m_selected.find(std::this_thread::get_id());
        const int cpu = selected != m_selected.end() && selected->second >= 0 ? selected->second : inner().currentCpu();
        const auto key = std::make_pair(cpu, index);
        if (auto held = m_lastRead.find(key); held != m_lastRead.end() && m_held.count(index)) {
            low = msr::lowHalf(held->second);
            high = msr::highHalf(held->second);
            return true;
        }
        bool ok = inner().readMsr(index, low, high);
        m_lastRead[key] = msr::join(low, high);
        auto it = m_overlays.find(index);
        if (it != m_overlays.end()) {
            uint64_t value = (msr::join(low, high) & ~it->second.mask) | (it->second.replacement & it->second.mask);
            low = msr::lowHalf(value);
            high = msr::highHalf(value);
            return true;
        }
        return ok;
    }
    bool selectCpu(int cpu) override
    {
        const bool ok = inner().selectCpu(cpu);
        std::lock_guard lock(m_lastLock);
        m_selected[std::this_thread::get_id()] = ok ? cpu : -1;
        return ok;
    }
    void sleep(uint32_t milliseconds) override
    {
        if (milliseconds > 0 && sleepHook)
            sleepHook(milliseconds);
        else
            inner().sleep(milliseconds);
    }
    void setThreadPriority(platform::ThreadPriority priority) override
    {
        m_threadPriority = priority;
        inner().setThreadPriority(priority);
    }

    std::atomic<platform::ThreadPriority> m_threadPriority{platform::ThreadPriority::Normal};

private:
    struct Overlay {
        uint64_t replacement;
        uint64_t mask;
    };
    std::map<uint32_t, Overlay> m_overlays;
    std::set<uint32_t> m_unreadable;
    std::mutex m_lastLock;
    std::set<uint32_t> m_held;
    std::map<std::thread::id, int> m_selected;
    std::map<std::pair<int, uint32_t>, uint64_t> m_lastRead;
};

class QuietMessages : public hw::Messages {
public:
    void showError(const std::string&, const std::string& text) override { ADD_FAILURE() << text; }
};

inline sim::Options fixedLoad(double percent)
{
    sim::Options options;
    options.loadMode = sim::LoadMode::Fixed;
    options.fixedLoadPercent = percent;
    return options;
}

struct Rig {
    std::shared_ptr<sim::Clock> clock;
    std::unique_ptr<sim::SimulatedProcessor> sim;
    std::unique_ptr<OverlayProcessor> processor;
    std::unique_ptr<hw::HardwareAccess> access;
    hw::ProcessorInfo info;
    monitor::SharedReadings shared;
    monitor::ClockCounters counters;
    std::unique_ptr<monitor::ClockReadings> readings;

    Rig(const std::string& profile, double loadPercent, std::shared_ptr<sim::Clock> useClock = nullptr)
        : clock(useClock ? useClock : std::make_shared<SteppingClock>())
    {
        auto created = sim::createSimulatedProcessor(profile, fixedLoad(loadPercent), clock);
        if (!created.processor) {
            ADD_FAILURE() << created.error;
            std::abort();
        }
        sim = std::move(created.processor);
        processor = std::make_unique<OverlayProcessor>(*sim);
        access = std::make_unique<hw::HardwareAccess>(*processor);
        QuietMessages messages;
        hw::identifyProcessor(*access, info, messages);
        hw::applyModelRules(info, 0, hw::FourCoreBuild);
    }

    SteppingClock& stepping() { return static_cast<SteppingClock&>(*clock); }
    const sim::Profile& profile() const { return sim->profile(); }
    double tscMHz() const { return profile().busHz() * profile().baseRatioTenths / 10.0 / 1e6; }

    // The operating system asks every CPU for this ratio (tenths).
    void requestRatio(int tenths)
    {
        for (int cpu = 0; cpu < sim->cpuCount(); ++cpu) {
            uint64_t value = 0;
            if (profile().nehalemOrLater()) {
                value = msr::perf_ctl::TargetRatio.set(0, uint64_t(tenths / 10));
            } else {
                value = msr::perf_ctl::Core2TargetRatio.set(0, uint64_t(tenths / 10));
                value = msr::perf_ctl::Core2TargetHalfRatio.set(value, tenths % 10 == 5);
            }
            sim->poke(cpu, msr::IA32_PERF_CTL, value);
        }
    }

    // The ratio the processor runs at now, in tenths, from its status register.
    int runningRatioTenths()
    {
        uint64_t status = sim->peek(0, msr::IA32_PERF_STATUS).value_or(0);
        if (profile().nehalemOrLater())
            return int(msr::perf_status::OperatingRatio.get(status)) * 10;
        return int(msr::perf_status::CurrentRatio.get(status)) * 10 +
               (msr::perf_status::CurrentHalfRatio.test(status) ? 5 : 0);
    }

    void create(const monitor::MeasureFlavour& flavour = monitor::FourCoreMeasure, int msrMulti = 0,
                int infoView = 0)
    {
        counters = monitor::CreateCounters(*access, info, flavour, msrMulti);
        shared.tscMHz = tscMHz();
        readings = std::make_unique<monitor::ClockReadings>(*access, counters, shared, info, infoView);
    }

    void advance(double seconds) { stepping().advanceSeconds(seconds); }

    const monitor::ReadingTexts& cycle(double seconds = 1.0, monitor::ReadingOptions options = {})
    {
        advance(seconds);
        readings->UpdateReadings(options);
        return readings->texts();
    }
};

// The number in a text such as "Load  50.0%" or "95.3 W".
inline double numberIn(const std::string& text)
{
    size_t at = text.find_first_of("0123456789");
    return at == std::string::npos ? -1.0 : std::strtod(text.c_str() + at, nullptr);
}

} // namespace measuretest
