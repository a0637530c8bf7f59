#pragma once
// The CPUID answers of one logical CPU as dumped from a real processor
// (lines "basic_cpuid[n]=eax ebx ecx edx", "ext_cpuid[n]=...", and the
// sub-leaves "intel_fn4[n]=...", "intel_fn11[n]=..." of leaf 0xB and
// "intel_fn1fh[n]=..." of leaf 0x1F), answered the way the processor
// answers: a leaf above the highest basic or extended leaf returns the data
// of the highest basic leaf.

#include "platform/Processor.h"
#include "sim/Profile.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace sim {

class CpuidTable {
public:
    struct Answer {
        platform::CpuidRegisters registers;
        uint32_t leaf = 0; // the leaf whose data was returned
    };

    // Reads a dump; on failure returns false and says why in error.
    bool parse(std::string_view text, std::string& error);

    uint32_t maxBasicLeaf() const { return m_maxBasic; }

    // basicLimit lowers the highest basic leaf (IA32_MISC_ENABLE bit 22 limits it to 2).
    Answer answer(uint32_t leaf, uint32_t subleaf, uint32_t basicLimit = UINT32_MAX) const;

    // Replaces one register of a leaf (sub-leaf 0 for leaves without sub-leaves).
    void patch(uint32_t leaf, uint32_t subleaf, CpuidRegister reg, uint32_t value);
    // Replaces leaves 0x80000002..4 with a brand string of up to 47 characters.
    void setBrand(std::string_view brand);

    // Leaves whose answer depends on ECX.
    static bool hasSubleaves(uint32_t leaf);

private:
    using Key = std::pair<uint32_t, uint32_t>;
    std::map<Key, platform::CpuidRegisters> m_leaves;
    uint32_t m_maxBasic = 0;
    uint32_t m_maxExtended = 0;
};

} // namespace sim
