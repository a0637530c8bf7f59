#pragma once
// The logical CPU each thread has selected for register access on one
// processor object. A selection belongs to the thread that made it and to the
// object it was made on: a thread that selected a CPU on one processor has
// selected nothing on another, and a new object never inherits the selection
// of one that lived at the same address before it.

#include <cstdint>

namespace platform {

class ThreadCpuSelection {
public:
    static constexpr int None = -1;

    ThreadCpuSelection();

    // The calling thread's selection; None goes back to "no CPU selected".
    void select(int cpu);
    // The calling thread's selected CPU, None when it selected none here.
    int selected() const;

private:
    uint64_t m_id;
};

} // namespace platform
