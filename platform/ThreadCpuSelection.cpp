#include "platform/ThreadCpuSelection.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<uint64_t> nextId{1};

// One selection per thread is all a thread ever uses: it works with one
// processor at a time.
thread_local uint64_t selectionOwner = 0;
thread_local int selectedCpu = ThreadCpuSelection::None;

} // namespace

ThreadCpuSelection::ThreadCpuSelection() : m_id(nextId.fetch_add(1, std::memory_order_relaxed)) {}

void ThreadCpuSelection::select(int cpu)
{
    selectionOwner = m_id;
    selectedCpu = cpu < 0 ? None : cpu;
}

int ThreadCpuSelection::selected() const { return selectionOwner == m_id ? selectedCpu : None; }

} // namespace platform
