#pragma once
// Values shared between the user-interface thread and the two measurement
// threads. Each result has one writer and is published whole (one atomic
// 64-bit store); each control word is polled by its thread: 1 running,
// -1 stop requested, 0 not running (the thread's last write).

#include <atomic>

namespace monitor {

enum ControlWord : int { NotRunning = 0, Running = 1, StopRequested = -1 };

struct SharedReadings {
    std::atomic<double> tscMHz{0.0};        // written by the clock thread
    std::atomic<double> tscPerQpcTick{0.0}; // written by the clock thread
    std::atomic<double> coreClockMHz{0.0};  // written by UpdateReadings
    std::atomic<double> systemLoad{0.0};    // written by the load counter thread

    std::atomic<int> clockControl{NotRunning};
    std::atomic<int> loadControl{NotRunning};
};

static_assert(std::atomic<double>::is_always_lock_free, "results must be published without a lock");

} // namespace monitor
