#pragma once
// The model-specific registers of a simulated processor as software sees
// them: which exist on the profile's family, what each reads, and what a
// write does. A write takes effect where the hardware acts on it, is dropped
// where the hardware ignores it (locked or unprogrammable registers,
// read-only bits), and faults where the hardware raises #GP (a register the
// processor lacks, a read-only register, reserved bits).

#include "sim/ProcessorModel.h"
#include "sim/RegisterImages.h"

#include <cstdint>
#include <optional>

namespace sim {

enum class WriteOutcome {
    Applied, // the register holds what was written
    Ignored, // accepted, but some or all of the bits did not change
    Faulted, // the processor refused it; nothing changed
};

class RegisterFile {
public:
    explicit RegisterFile(ProcessorModel& model) : m_model(model), m_images(model) {}

    // The register as logical CPU `cpu` reads it now (after model.advance()),
    // with what it counts brought up to now.
    std::optional<uint64_t> read(int cpu, uint32_t index, int64_t nowNanoseconds);
    // Settles the model again when the write changed a register.
    WriteOutcome write(int cpu, uint32_t index, uint64_t value, int64_t nowNanoseconds);

    // Test access: sets a register's state directly, past locks and
    // read-only rules (counters, TSC, energy, and every stored register).
    // False for registers that are computed (ratios, thermal status).
    bool poke(int cpu, uint32_t index, uint64_t value, int64_t nowNanoseconds);

private:
    bool hasGeneralCounter(uint32_t index, uint32_t first) const;
    WriteOutcome apply(int cpu, uint32_t index, uint64_t value, int64_t nowNanoseconds);
    WriteOutcome writeMiscEnable(int cpu, uint64_t value);
    WriteOutcome writeTurboRatioLimit(int cpu, uint64_t value);

    ProcessorModel& m_model;
    RegisterImages m_images;
};

} // namespace sim
