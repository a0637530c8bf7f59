#pragma once
// The load counter thread: with TMLoad on, the load figure is the whole
// system's processor load, refreshed once a second into systemLoad.

#include "monitor/measure/ProcStatLoad.h"
#include "monitor/measure/SharedReadings.h"
#include "monitor/measure/WorkerThread.h"

#include "platform/Processor.h"

#include <memory>

namespace monitor {

// The thread's body; returns after its control word became -1.
void LoadCounterThread(platform::Processor& processor, SharedReadings& shared, ProcStatLoad& source);

// Starts the thread at `priority` over `source`; the thread holds its own
// reference to `processor`, so one left to end on its own after the shutdown
// wait never touches a destroyed processor. Nothing is started while an
// earlier load thread has not ended.
WorkerThread StartLoadCounterThread(std::shared_ptr<platform::Processor> processor,
                                    std::shared_ptr<SharedReadings> shared, platform::ThreadPriority priority,
                                    ProcStatLoad source = ProcStatLoad());
// The same over a processor the caller keeps alive for as long as the thread
// may run.
WorkerThread StartLoadCounterThread(platform::Processor& processor, std::shared_ptr<SharedReadings> shared,
                                    platform::ThreadPriority priority, ProcStatLoad source = ProcStatLoad());

} // namespace monitor
