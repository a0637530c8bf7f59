#include "monitor/ClockThread.h"

#include "monitor/ClockRing.h"
#include "monitor/CounterProgramming.h"
#include "monitor/MeasureMath.h"

#include "hw/HardwareAccess.h"

namespace monitor {
namespace {

struct ClockReading {
    int64_t qpc;
    uint64_t tsc;
};

ClockReading readClocks(platform::Processor& processor)
{
    ClockReading reading;
    reading.qpc = processor.performanceCounter();
    reading.tsc = processor.rdtsc();
    return reading;
}

// Time-stamp ticks per millisecond of a sleep of `ms`.
struct SleepWindow {
    uint64_t tscTicks = 0;
    int64_t qpcTicks = 0;
};

SleepWindow measureSleep(platform::Processor& processor, uint32_t ms)
{
    processor.sleep(0);
    ClockReading start = readClocks(processor);
    processor.sleep(ms);
    ClockReading end = readClocks(processor);
    return {end.tsc - start.tsc, end.qpc - start.qpc};
}

} // namespace

void ClockThread(platform::Processor& processor, SharedReadings& shared)
{
    std::atomic<int>& control = shared.clockControl;
    int expected = NotRunning;
    control.compare_exchange_strong(expected, Running);
    processor.setThreadPriority(platform::ThreadPriority::TimeCritical);
    hw::HardwareAccess access(processor);
    PinHighestCpu(access, 8);

    const int64_t frequency = processor.performanceFrequency();
    processor.sleep(0);
    ClockReading start = readClocks(processor);
    BusyDivisions(FirstEstimateDivisions);
    ClockReading end = readClocks(processor);
    int64_t qpcTicks = end.qpc - start.qpc;
    double firstMHz = 0.0;
    if (qpcTicks > 0)
        firstMHz = static_cast<double>(end.tsc - start.tsc) * static_cast<double>(frequency) /
                   (static_cast<double>(qpcTicks) * 1000000.0);
    shared.tscMHz.store(firstMHz);

    ClockRing ring;
    ring.fill(static_cast<uint64_t>(firstMHz * 1000.0));

    while (control.load() == Running) {
        SleepWindow short125 = measureSleep(processor, 125);
        uint64_t r125 = short125.tscTicks / 125;
        SleepWindow long250 = measureSleep(processor, 250);
        uint64_t r250 = long250.tscTicks / 250;
        if (long250.qpcTicks > 0)
            shared.tscPerQpcTick.store(static_cast<double>(long250.tscTicks) / static_cast<double>(long250.qpcTicks));
        auto q = static_cast<uint64_t>(static_cast<double>(frequency) * shared.tscPerQpcTick.load() * 0.001);

        if (auto average = ring.add(ChooseClockSample(r125, r250, q)))
            shared.tscMHz.store(static_cast<double>(*average) * 0.001);
    }
    control.store(NotRunning);
}

WorkerThread StartClockThread(std::shared_ptr<platform::Processor> processor, std::shared_ptr<SharedReadings> shared)
{
    int expected = NotRunning;
    if (!processor || !shared || !shared->clockControl.compare_exchange_strong(expected, Running))
        return {};
    std::thread thread([processor, shared] { ClockThread(*processor, *shared); });
    return WorkerThread(std::move(thread), shared, &shared->clockControl);
}

WorkerThread StartClockThread(platform::Processor& processor, std::shared_ptr<SharedReadings> shared)
{
    return StartClockThread(UnownedProcessor(processor), std::move(shared));
}

} // namespace monitor
