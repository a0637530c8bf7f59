#pragma once
// A fixed-width set of logical CPUs as plain words, for the state programs
// share through a memory mapping (platform::CpuSet owns heap memory and
// cannot live there).

#include <array>
#include <cstdint>

namespace sim {

template <int Cpus>
struct CpuBitsOf {
    static constexpr int WordBits = 64;
    std::array<uint64_t, (Cpus + WordBits - 1) / WordBits> words;

    bool test(int cpu) const
    {
        return cpu >= 0 && cpu < Cpus && (words[size_t(cpu / WordBits)] >> (cpu % WordBits)) & 1u;
    }
    void set(int cpu)
    {
        if (cpu >= 0 && cpu < Cpus)
            words[size_t(cpu / WordBits)] |= uint64_t{1} << (cpu % WordBits);
    }
    bool empty() const
    {
        for (uint64_t word : words)
            if (word != 0)
                return false;
        return true;
    }
    CpuBitsOf& operator|=(const CpuBitsOf& other)
    {
        for (size_t n = 0; n < words.size(); ++n)
            words[n] |= other.words[n];
        return *this;
    }
    bool operator==(const CpuBitsOf& other) const = default;
};

} // namespace sim
