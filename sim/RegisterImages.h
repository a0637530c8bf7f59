#pragma once
// The values of the registers the processor computes rather than stores:
// the ratio and voltage status, the platform ratios, the thermal status.

#include "registers/MsrIndex.h"
#include "sim/ProcessorModel.h"

#include <cstdint>

namespace sim {

class RegisterImages {
public:
    explicit RegisterImages(ProcessorModel& model) : m_model(model) {}

    uint64_t perfStatus(int cpu) const;
    uint64_t platformInfo() const;
    // Reading the status also latches the sticky log bit.
    uint64_t thermStatus(int core);
    uint64_t packageThermStatus(int package);

    // A ratio in tenths as a whole field and a half-ratio bit.
    static uint64_t ratioWithHalf(msr::Field whole, msr::Field half, int tenths, uint64_t value = 0);

private:
    uint64_t vidBits(int ratioTenths) const;

    ProcessorModel& m_model;
};

} // namespace sim
