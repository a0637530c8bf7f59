#pragma once
// A set of logical CPUs of any size, as the kernel numbers them: affinity,
// the online and allowed CPUs, the CPUs a switch acts on. Replaces the 32-bit
// masks of the first programs, which could name CPUs 0 to 31 only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class CpuSet {
public:
    CpuSet() = default;

    static CpuSet of(int cpu);
    // CPUs first to last, both included; empty when last < first.
    static CpuSet range(int first, int last);
    // Bit n of the mask is CPU n.
    static CpuSet fromMask(uint64_t mask);
    // A kernel CPU list such as "0-3,8,10-11" (/sys/devices/system/cpu/online,
    // taskset -c). Nothing for a malformed list.
    static std::optional<CpuSet> parseList(std::string_view list);

    void add(int cpu);
    void remove(int cpu);
    bool contains(int cpu) const;
    bool empty() const;
    int count() const;
    // The lowest CPU, and the next one above cpu; -1 when there is none.
    int first() const { return next(-1); }
    int next(int cpu) const;
    // One above the highest CPU: the loop bound for visiting the set.
    int end() const;

    std::vector<int> cpus() const;
    // The CPUs below 64 as a mask, for diagnostics and the recorded formats.
    uint64_t lowMask() const;
    // The kernel's list form: "0-3,8".
    std::string toList() const;

    CpuSet operator&(const CpuSet& other) const;
    CpuSet operator|(const CpuSet& other) const;
    // The CPUs of this set that are not in other.
    CpuSet without(const CpuSet& other) const;
    bool operator==(const CpuSet& other) const;

    template <typename Fn>
    void forEach(Fn&& fn) const
    {
        for (int cpu = first(); cpu >= 0; cpu = next(cpu))
            fn(cpu);
    }

private:
    void trim();
    std::vector<uint64_t> m_words; // no trailing zero words
};

} // namespace platform
