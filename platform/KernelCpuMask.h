#pragma once
// A CpuSet in the kernel's own form for sched_setaffinity and
// sched_getaffinity: a buffer of as many words as the CPUs it names (or the
// kernel's CPU count) need, so no CPU number is cut off at a fixed width.

#include "platform/CpuSet.h"

#include <optional>
#include <sys/types.h>
#include <vector>

namespace platform {

class KernelCpuMask {
public:
    explicit KernelCpuMask(const CpuSet& cpus);

    // Async-signal-safe: usable between fork and exec once built.
    bool applyTo(pid_t thread) const;

    // The affinity of a thread (0: the caller); nothing when the kernel
    // refuses every size up to its largest CPU count.
    static std::optional<CpuSet> of(pid_t thread);

private:
    std::vector<unsigned long> m_words;
};

} // namespace platform
