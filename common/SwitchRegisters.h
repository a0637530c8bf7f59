#pragma once
// The read-modify-write behind the processor switches of the monitor and the
// turbo monitor (C1E, Enhanced SpeedStep, turbo disable, the Core 2 C-state
// bits): the named fields of one register set to 1 or cleared on a logical
// CPU, every other bit written back as it was read. A register that cannot be
// read is not written, and neither is one whose lock field is set.

#include "hw/HardwareAccess.h"
#include "hw/SwitchState.h"
#include "registers/MsrIndex.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace common {

// A switch in one register: the fields it turns on and off together (one
// field; four for the Core 2 C-state switch) and, for a switch the firmware
// may lock, the field whose set bit forbids the write.
class SwitchBits {
public:
    static constexpr std::size_t MaxFields = 4;

    constexpr SwitchBits(uint32_t index, msr::Field field) : m_index(index), m_fields{field}, m_count(1) {}
    template <std::size_t N>
        requires(N >= 1 && N <= MaxFields)
    constexpr SwitchBits(uint32_t index, const msr::Field (&fields)[N]) : m_index(index), m_count(N)
    {
        for (std::size_t i = 0; i < N; ++i)
            m_fields[i] = fields[i];
    }

    // The same switch, left alone wherever `lock` is set.
    constexpr SwitchBits lockedBy(msr::Field lock) const
    {
        SwitchBits locked = *this;
        locked.m_lock = lock;
        return locked;
    }

    constexpr uint32_t index() const { return m_index; }
    constexpr bool locked(uint64_t value) const { return m_lock && m_lock->test(value); }
    // `value` with every field of the switch set (On) or cleared (Off).
    constexpr uint64_t applied(uint64_t value, hw::SwitchState state) const
    {
        for (std::size_t i = 0; i < m_count; ++i)
            value = m_fields[i].set(value, hw::isOn(state) ? 1 : 0);
        return value;
    }

private:
    uint32_t m_index;
    std::array<msr::Field, MaxFields> m_fields{};
    std::size_t m_count;
    std::optional<msr::Field> m_lock;
};

// What the read-modify-write did on one CPU.
enum class SwitchWrite { Written, Locked, Unreadable, WriteFailed };

// On the CPU the thread is pinned to now.
SwitchWrite switchOnThisCpu(hw::HardwareAccess& access, const SwitchBits& bits, hw::SwitchState state);

// What a switch did on each CPU it visited, one set of logical CPUs per
// outcome. A listed CPU that refused the pinning is in none of them: it is
// never written in another CPU's name.
class SwitchOutcome {
public:
    const platform::CpuSet& cpus(SwitchWrite write) const { return m_cpus[static_cast<std::size_t>(write)]; }
    void add(int cpu, SwitchWrite write) { m_cpus[static_cast<std::size_t>(write)].add(cpu); }

private:
    std::array<platform::CpuSet, static_cast<std::size_t>(SwitchWrite::WriteFailed) + 1> m_cpus{};
};

// Pins to each listed CPU in turn and switches there. The last CPU visited
// stays selected (a caller may read back there); callers end the selection
// with unpin().
SwitchOutcome switchOnEachCpu(hw::HardwareAccess& access, const platform::CpuSet& cpus, const SwitchBits& bits,
                              hw::SwitchState state);

} // namespace common
