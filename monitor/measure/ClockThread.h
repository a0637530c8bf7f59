#pragma once
// The clock thread: measures the time-stamp counter frequency against the
// performance counter, at time-critical priority and pinned once to the
// highest-numbered logical processor, and publishes tscMHz and tscPerQpcTick.

#include "monitor/measure/SharedReadings.h"
#include "monitor/measure/WorkerThread.h"

#include "platform/Processor.h"

#include <cstdint>
#include <memory>

namespace monitor {

// Divisions of the busy loop of the first estimate.
constexpr uint32_t FirstEstimateDivisions = 0x400000;

// The thread's body; returns when its control word is no longer 1.
void ClockThread(platform::Processor& processor, SharedReadings& shared);

// Starts the thread, which holds its own reference to `processor`: a thread
// that misses the shutdown wait and is left to end on its own never touches
// a processor already destroyed. Marks the control word as running before the
// thread exists, so a stop request made at once is seen. Nothing is started
// while an earlier clock thread has not ended.
WorkerThread StartClockThread(std::shared_ptr<platform::Processor> processor, std::shared_ptr<SharedReadings> shared);
// The same over a processor the caller keeps alive for as long as the thread
// may run (tests that always stop the thread before the processor goes).
WorkerThread StartClockThread(platform::Processor& processor, std::shared_ptr<SharedReadings> shared);

} // namespace monitor
