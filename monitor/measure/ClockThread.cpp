#include "monitor/measure/ClockThread.h"

#include "monitor/measure/ClockRing.h"
#include "monitor/measure/CounterProgramming.h"
#include "monitor/measure/MeasureMath.h"

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

// The clocks' advance over one sleep.
struct SleepWindow {
    uint64_t tscTicks = 0;
    int64_t qpcTicks = 0;
};

SleepWindow between(const ClockReading& start, const ClockReading& end)
{
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
    // The rounds compare time-stamp readings taken across sleeps: all of
    // them come from one CPU.
    MoveToHighestCpu(access, 8);

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

    // Two sleeps per round and nothing more: the reading that ends the
    // 125 ms window starts the 250 ms one (the thread has just woken, so a
    // yield there would only cost a trip through the scheduler), and the
    // round starts with the yield that lets the window begin on a fresh
    // time slice.
    while (control.load() == Running) {
        processor.sleep(0);
        const ClockReading first = readClocks(processor);
        processor.sleep(125);
        const ClockReading middle = readClocks(processor);
        processor.sleep(250);
        const ClockReading last = readClocks(processor);
        const SleepWindow short125 = between(first, middle);
        const SleepWindow long250 = between(middle, last);
        uint64_t r125 = short125.tscTicks / 125;
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
    return WorkerThread(std::move(thread), "clock-measure", shared, &shared->clockControl);
}

WorkerThread StartClockThread(platform::Processor& processor, std::shared_ptr<SharedReadings> shared)
{
    return StartClockThread(UnownedProcessor(processor), std::move(shared));
}

} // namespace monitor
