#pragma once
// A long-lived measurement thread and its control word, and the shutdown wait
// that asks both measurement threads to end.

#include "monitor/measure/SharedReadings.h"

#include "platform/Processor.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace monitor {

class WorkerThread {
public:
    WorkerThread() = default;
    // `word` is the thread's control word inside `shared`, which the thread
    // keeps alive for as long as it runs. `name` (at most 15 characters) is
    // what ps, top and /proc/<pid>/task/<tid>/comm show for the thread.
    WorkerThread(std::thread thread, const char* name, std::shared_ptr<SharedReadings> shared,
                 std::atomic<int>* word);
    WorkerThread(WorkerThread&& other) noexcept;
    WorkerThread& operator=(WorkerThread&& other) noexcept;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread();

    bool started() const { return m_thread.joinable(); }
    // True while the control word is not 0.
    bool running() const;
    // Joins a thread that has ended. One that has not is left to end on its
    // own; it holds its own reference to the shared values.
    void release();

private:
    std::thread m_thread;
    std::shared_ptr<SharedReadings> m_shared;
    std::atomic<int>* m_word = nullptr;
};

// A reference to a processor that someone else owns and keeps alive, in the
// form the threads hold their processor.
inline std::shared_ptr<platform::Processor> UnownedProcessor(platform::Processor& processor)
{
    return std::shared_ptr<platform::Processor>(std::shared_ptr<void>(), &processor);
}

// Asks a running thread to end: 1 becomes -1; any other value is left alone.
void RequestStop(std::atomic<int>& word);

struct StopOutcome {
    bool loadThreadEnded = false;
    bool clockThreadEnded = false;
    int stepsWaited = 0;
};

constexpr int ShutdownWaitSteps = 49;
constexpr uint32_t ShutdownStepMs = 100;

// The shutdown wait: asks the clock thread to stop, then asks the load thread
// and waits for it, then waits for the clock thread, in 100 ms steps that
// share one budget of 49. A thread that has not ended by then is not waited
// for further. `sleep` waits the given milliseconds.
StopOutcome StopWorkerThreads(SharedReadings& shared, const std::function<void(uint32_t)>& sleep,
                              int budget = ShutdownWaitSteps);
StopOutcome StopWorkerThreads(SharedReadings& shared, platform::Processor& processor);

} // namespace monitor
