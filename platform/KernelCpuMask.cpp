#include "platform/KernelCpuMask.h"

#include <cerrno>
#include <climits>
#include <sched.h>

namespace platform {

namespace {

constexpr int kWordBits = static_cast<int>(sizeof(unsigned long) * CHAR_BIT);
// The kernel refuses a buffer smaller than its CPU count with EINVAL; the
// buffer grows up to the largest count the kernel can be built with.
constexpr size_t kMostWords = 8192 / kWordBits;

} // namespace

KernelCpuMask::KernelCpuMask(const CpuSet& cpus)
{
    m_words.resize(static_cast<size_t>(cpus.end() + kWordBits - 1) / kWordBits, 0);
    cpus.forEach([&](int cpu) { m_words[static_cast<size_t>(cpu / kWordBits)] |= 1ul << (cpu % kWordBits); });
}

bool KernelCpuMask::applyTo(pid_t thread) const
{
    if (m_words.empty())
        return false;
    return sched_setaffinity(thread, m_words.size() * sizeof(unsigned long),
                             reinterpret_cast<const cpu_set_t*>(m_words.data()))
           == 0;
}

std::optional<CpuSet> KernelCpuMask::of(pid_t thread)
{
    for (size_t words = 1024 / kWordBits; words <= kMostWords; words *= 2) {
        std::vector<unsigned long> buffer(words, 0);
        if (sched_getaffinity(thread, words * sizeof(unsigned long), reinterpret_cast<cpu_set_t*>(buffer.data()))
            != 0) {
            if (errno == EINVAL)
                continue;
            return std::nullopt;
        }
        CpuSet set;
        for (size_t word = 0; word < words; ++word)
            for (int bit = 0; bit < kWordBits; ++bit)
                if ((buffer[word] >> bit) & 1ul)
                    set.add(static_cast<int>(word) * kWordBits + bit);
        return set;
    }
    return std::nullopt;
}

} // namespace platform
