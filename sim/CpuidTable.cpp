#include "sim/CpuidTable.h"

#include "registers/MsrIndex.h"

#include <charconv>
#include <cstring>

namespace sim {

namespace {

constexpr uint32_t ExtendedBase = 0x80000000;

bool parseHex(std::string_view text, uint32_t& value)
{
    auto result = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

uint32_t& registerOf(platform::CpuidRegisters& regs, CpuidRegister reg)
{
    switch (reg) {
    case CpuidRegister::Eax: return regs.eax;
    case CpuidRegister::Ebx: return regs.ebx;
    case CpuidRegister::Ecx: return regs.ecx;
    case CpuidRegister::Edx: return regs.edx;
    }
    return regs.eax;
}

} // namespace

bool CpuidTable::hasSubleaves(uint32_t leaf)
{
    return leaf == 0x4 || leaf == 0x7 || leaf == msr::cpuid::LeafTopology || leaf == 0xD
           || leaf == msr::cpuid::LeafTopologyV2;
}

bool CpuidTable::parse(std::string_view text, std::string& error)
{
    m_leaves.clear();
    int lineNumber = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;

        size_t open = line.find('[');
        size_t close = line.find("]=");
        uint32_t index = 0;
        if (open == std::string_view::npos || close == std::string_view::npos || close < open
            || std::from_chars(line.data() + open + 1, line.data() + close, index).ec != std::errc()) {
            error = "line " + std::to_string(lineNumber) + ": not a CPUID line";
            return false;
        }
        std::string_view kind = line.substr(0, open);
        Key key;
        if (kind == "basic_cpuid")
            key = {index, 0};
        else if (kind == "ext_cpuid")
            key = {ExtendedBase + index, 0};
        else if (kind == "intel_fn4")
            key = {0x4, index};
        else if (kind == "intel_fn11")
            key = {msr::cpuid::LeafTopology, index};
        else if (kind == "intel_fn1fh")
            key = {msr::cpuid::LeafTopologyV2, index};
        else
            continue; // other vendors' leaves do not concern an Intel dump

        uint32_t values[4] = {};
        std::string_view rest = line.substr(close + 2);
        for (uint32_t& value : values) {
            rest = trimmed(rest);
            size_t space = rest.find(' ');
            if (!parseHex(rest.substr(0, space), value)) {
                error = "line " + std::to_string(lineNumber) + ": bad register value";
                return false;
            }
            rest.remove_prefix(space == std::string_view::npos ? rest.size() : space);
        }
        if (!trimmed(rest).empty()) {
            error = "line " + std::to_string(lineNumber) + ": more than four registers";
            return false;
        }
        m_leaves[key] = {values[0], values[1], values[2], values[3]};
    }

    auto basic = m_leaves.find({0, 0});
    auto extended = m_leaves.find({ExtendedBase, 0});
    if (basic == m_leaves.end() || extended == m_leaves.end()) {
        error = "leaf 0 or leaf 0x80000000 missing";
        return false;
    }
    m_maxBasic = basic->second.eax;
    m_maxExtended = extended->second.eax;
    if (m_leaves.find({m_maxBasic, 0}) == m_leaves.end()) {
        error = "the highest basic leaf is missing";
        return false;
    }
    // Leaves above the highest were dumped too, but hold the highest leaf's
    // data; the sub-leaf lines of a leaf above the highest are no topology.
    for (auto it = m_leaves.begin(); it != m_leaves.end();) {
        uint32_t leaf = it->first.first;
        bool beyond = leaf < ExtendedBase ? leaf > m_maxBasic : leaf > m_maxExtended;
        it = beyond ? m_leaves.erase(it) : std::next(it);
    }
    return true;
}

CpuidTable::Answer CpuidTable::answer(uint32_t leaf, uint32_t subleaf, uint32_t basicLimit) const
{
    uint32_t maxBasic = std::min(m_maxBasic, basicLimit);
    bool inRange = leaf < ExtendedBase ? leaf <= maxBasic : leaf <= m_maxExtended;
    Answer result;
    result.leaf = inRange ? leaf : maxBasic;
    uint32_t key = hasSubleaves(result.leaf) ? subleaf : 0;
    auto it = m_leaves.find({result.leaf, key});
    if (it != m_leaves.end()) {
        result.registers = it->second;
    } else if (result.leaf == msr::cpuid::LeafTopology || result.leaf == msr::cpuid::LeafTopologyV2) {
        // Past the last level: level type 0, the level number echoed.
        result.registers.ecx = static_cast<uint32_t>(msr::cpuid::topology_ecx::LevelNumber.set(0, subleaf));
    }
    if (result.leaf == 0 && maxBasic < m_maxBasic)
        result.registers.eax = maxBasic;
    return result;
}

void CpuidTable::patch(uint32_t leaf, uint32_t subleaf, CpuidRegister reg, uint32_t value)
{
    registerOf(m_leaves[{leaf, hasSubleaves(leaf) ? subleaf : 0}], reg) = value;
}

void CpuidTable::setBrand(std::string_view brand)
{
    char bytes[48] = {};
    std::memcpy(bytes, brand.data(), std::min<size_t>(brand.size(), 47));
    for (uint32_t n = 0; n < 3; ++n) {
        platform::CpuidRegisters& regs = m_leaves[{ExtendedBase + 2 + n, 0}];
        std::memcpy(&regs.eax, bytes + 16 * n, 4);
        std::memcpy(&regs.ebx, bytes + 16 * n + 4, 4);
        std::memcpy(&regs.ecx, bytes + 16 * n + 8, 4);
        std::memcpy(&regs.edx, bytes + 16 * n + 12, 4);
    }
}

} // namespace sim
