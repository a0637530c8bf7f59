#include "monitor/measure/WorkerThread.h"

#include <pthread.h>
#include <utility>

namespace monitor {

WorkerThread::WorkerThread(std::thread thread, const char* name, std::shared_ptr<SharedReadings> shared,
                           std::atomic<int>* word)
    : m_thread(std::move(thread)), m_shared(std::move(shared)), m_word(word)
{
    if (m_thread.joinable())
        pthread_setname_np(m_thread.native_handle(), name);
}

WorkerThread::WorkerThread(WorkerThread&& other) noexcept
    : m_thread(std::move(other.m_thread)), m_shared(std::move(other.m_shared)), m_word(other.m_word)
{
    other.m_word = nullptr;
}

WorkerThread& WorkerThread::operator=(WorkerThread&& other) noexcept
{
    if (this != &other) {
        release();
        m_thread = std::move(other.m_thread);
        m_shared = std::move(other.m_shared);
        m_word = other.m_word;
        other.m_word = nullptr;
    }
    return *this;
}

WorkerThread::~WorkerThread() { release(); }

bool WorkerThread::running() const { return m_word && m_word->load() != NotRunning; }

void WorkerThread::release()
{
    if (m_thread.joinable()) {
        if (running())
            m_thread.detach();
        else
            m_thread.join();
    }
    m_shared.reset();
    m_word = nullptr;
}

void RequestStop(std::atomic<int>& word)
{
    int expected = Running;
    word.compare_exchange_strong(expected, StopRequested);
}

namespace {

// Waits in steps until the word reads 0 or the budget is spent.
bool waitForEnd(const std::atomic<int>& word, const std::function<void(uint32_t)>& sleep, int budget, int& steps)
{
    while (word.load() != NotRunning) {
        if (steps >= budget)
            return false;
        sleep(ShutdownStepMs);
        ++steps;
    }
    return true;
}

} // namespace

StopOutcome StopWorkerThreads(SharedReadings& shared, const std::function<void(uint32_t)>& sleep, int budget)
{
    StopOutcome outcome;
    RequestStop(shared.clockControl);
    if (shared.loadControl.load() == Running) {
        RequestStop(shared.loadControl);
        outcome.loadThreadEnded = waitForEnd(shared.loadControl, sleep, budget, outcome.stepsWaited);
    } else {
        outcome.loadThreadEnded = shared.loadControl.load() == NotRunning;
    }
    outcome.clockThreadEnded = waitForEnd(shared.clockControl, sleep, budget, outcome.stepsWaited);
    return outcome;
}

StopOutcome StopWorkerThreads(SharedReadings& shared, platform::Processor& processor)
{
    return StopWorkerThreads(shared, [&processor](uint32_t ms) { processor.sleep(ms); });
}

} // namespace monitor
