#include "monitor/measure/LoadCounterThread.h"

namespace monitor {

void LoadCounterThread(platform::Processor& processor, SharedReadings& shared, ProcStatLoad& source)
{
    std::atomic<int>& control = shared.loadControl;
    int expected = NotRunning;
    control.compare_exchange_strong(expected, Running);

    bool usable = source.open();
    bool collectThisPass = false;
    for (;;) {
        // Every second pass of 500 ms: once a second.
        if (collectThisPass) {
            std::optional<double> load = usable ? source.collect() : std::nullopt;
            shared.systemLoad.store(load.value_or(0.0));
        }
        collectThisPass = !collectThisPass;
        processor.sleep(500);
        if (control.load() == StopRequested)
            break;
    }
    control.store(NotRunning);
}

WorkerThread StartLoadCounterThread(std::shared_ptr<platform::Processor> processor,
                                    std::shared_ptr<SharedReadings> shared, platform::ThreadPriority priority,
                                    ProcStatLoad source)
{
    int expected = NotRunning;
    if (!processor || !shared || !shared->loadControl.compare_exchange_strong(expected, Running))
        return {};
    std::thread thread([processor, shared, priority, source]() mutable {
        processor->setThreadPriority(priority);
        LoadCounterThread(*processor, *shared, source);
    });
    return WorkerThread(std::move(thread), "load-measure", shared, &shared->loadControl);
}

WorkerThread StartLoadCounterThread(platform::Processor& processor, std::shared_ptr<SharedReadings> shared,
                                    platform::ThreadPriority priority, ProcStatLoad source)
{
    return StartLoadCounterThread(UnownedProcessor(processor), std::move(shared), priority, std::move(source));
}

} // namespace monitor
