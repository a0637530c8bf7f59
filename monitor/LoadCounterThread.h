#pragma once
// The load counter thread: with TMLoad on, the load figure is the whole
// system's processor load, refreshed once a second into systemLoad.

#include "monitor/ProcStatLoad.h"
#include "monitor/SharedReadings.h"
#include "monitor/WorkerThread.h"

#include "platform/Processor.h"

#include <memory>

namespace monitor {

// The thread's body; returns after its control word became -1.
void LoadCounterThread(platform::Processor& processor, SharedReadings& shared, ProcStatLoad& source);

// Starts the thread at `priority` over `source`; `processor` must outlive it.
// Nothing is started while an earlier load thread has not ended.
WorkerThread StartLoadCounterThread(platform::Processor& processor, std::shared_ptr<SharedReadings> shared,
                                    platform::ThreadPriority priority, ProcStatLoad source = ProcStatLoad());

} // namespace monitor
