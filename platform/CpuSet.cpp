#include "platform/CpuSet.h"

#include "platform/IntegerText.h"

#include <algorithm>
#include <bit>

namespace platform {

namespace {

constexpr int kWordBits = 64;
// The kernel's own limit (CONFIG_NR_CPUS at most 8192): a list naming CPUs
// beyond it is refused rather than allocating for them.
constexpr int kMostCpus = 8192;

// A CPU number as the kernel writes it: decimal digits only.
std::optional<int> cpuNumber(std::string_view text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return leadingInteger(text, IntegerBase::Decimal, IntegerOverflow::Refuse);
}

} // namespace

CpuSet CpuSet::of(int cpu)
{
    CpuSet set;
    set.add(cpu);
    return set;
}

CpuSet CpuSet::range(int first, int last)
{
    CpuSet set;
    for (int cpu = std::max(first, 0); cpu <= last && cpu < kMostCpus; ++cpu)
        set.add(cpu);
    return set;
}

CpuSet CpuSet::fromMask(uint64_t mask)
{
    CpuSet set;
    if (mask != 0)
        set.m_words.push_back(mask);
    return set;
}

std::optional<CpuSet> CpuSet::parseList(std::string_view list)
{
    while (!list.empty() && (list.back() == '\n' || list.back() == ' '))
        list.remove_suffix(1);
    CpuSet set;
    size_t pos = 0;
    while (pos <= list.size() && !list.empty()) {
        size_t end = list.find(',', pos);
        if (end == std::string_view::npos)
            end = list.size();
        const std::string_view part = list.substr(pos, end - pos);
        pos = end + 1;
        const size_t dash = part.find('-');
        const std::string_view firstText = part.substr(0, dash);
        const std::string_view lastText = dash == std::string_view::npos ? firstText : part.substr(dash + 1);
        const std::optional<int> first = cpuNumber(firstText);
        const std::optional<int> last = cpuNumber(lastText);
        if (!first || !last || *first < 0 || *last < *first || *last >= kMostCpus)
            return std::nullopt;
        for (int cpu = *first; cpu <= *last; ++cpu)
            set.add(cpu);
        if (end == list.size())
            break;
    }
    return set;
}

void CpuSet::add(int cpu)
{
    if (cpu < 0)
        return;
    const size_t word = static_cast<size_t>(cpu / kWordBits);
    if (m_words.size() <= word)
        m_words.resize(word + 1, 0);
    m_words[word] |= uint64_t{1} << (cpu % kWordBits);
}

void CpuSet::remove(int cpu)
{
    if (!contains(cpu))
        return;
    m_words[static_cast<size_t>(cpu / kWordBits)] &= ~(uint64_t{1} << (cpu % kWordBits));
    trim();
}

bool CpuSet::contains(int cpu) const
{
    if (cpu < 0)
        return false;
    const size_t word = static_cast<size_t>(cpu / kWordBits);
    return word < m_words.size() && (m_words[word] >> (cpu % kWordBits)) & 1u;
}

bool CpuSet::empty() const { return m_words.empty(); }

int CpuSet::count() const
{
    int n = 0;
    for (uint64_t word : m_words)
        n += std::popcount(word);
    return n;
}

int CpuSet::next(int cpu) const
{
    int from = cpu + 1;
    if (from < 0)
        from = 0;
    for (size_t word = static_cast<size_t>(from / kWordBits); word < m_words.size(); ++word) {
        uint64_t bits = m_words[word];
        if (word == static_cast<size_t>(from / kWordBits))
            bits &= ~uint64_t{0} << (from % kWordBits);
        if (bits != 0)
            return static_cast<int>(word) * kWordBits + std::countr_zero(bits);
    }
    return -1;
}

int CpuSet::end() const
{
    if (m_words.empty())
        return 0;
    return static_cast<int>(m_words.size() - 1) * kWordBits + (kWordBits - std::countl_zero(m_words.back()));
}

std::vector<int> CpuSet::cpus() const
{
    std::vector<int> list;
    forEach([&](int cpu) { list.push_back(cpu); });
    return list;
}

uint64_t CpuSet::lowMask() const { return m_words.empty() ? 0 : m_words.front(); }

std::string CpuSet::toList() const
{
    std::string text;
    for (int cpu = first(); cpu >= 0;) {
        int last = cpu;
        while (contains(last + 1))
            ++last;
        if (!text.empty())
            text += ',';
        text += std::to_string(cpu);
        if (last > cpu)
            text += '-' + std::to_string(last);
        cpu = next(last);
    }
    return text;
}

CpuSet CpuSet::operator&(const CpuSet& other) const
{
    CpuSet result;
    result.m_words.resize(std::min(m_words.size(), other.m_words.size()));
    for (size_t i = 0; i < result.m_words.size(); ++i)
        result.m_words[i] = m_words[i] & other.m_words[i];
    result.trim();
    return result;
}

CpuSet CpuSet::operator|(const CpuSet& other) const
{
    CpuSet result = m_words.size() >= other.m_words.size() ? *this : other;
    const CpuSet& smaller = m_words.size() >= other.m_words.size() ? other : *this;
    for (size_t i = 0; i < smaller.m_words.size(); ++i)
        result.m_words[i] |= smaller.m_words[i];
    return result;
}

CpuSet CpuSet::without(const CpuSet& other) const
{
    CpuSet result = *this;
    for (size_t i = 0; i < result.m_words.size() && i < other.m_words.size(); ++i)
        result.m_words[i] &= ~other.m_words[i];
    result.trim();
    return result;
}

bool CpuSet::operator==(const CpuSet& other) const { return m_words == other.m_words; }

void CpuSet::trim()
{
    while (!m_words.empty() && m_words.back() == 0)
        m_words.pop_back();
}

} // namespace platform
