#include "turbo/MultiplierRange.h"

#include <cmath>
#include <limits>

namespace turbo {

void MultiplierRange::reset()
{
    m_minimum = kMinimumStart;
    m_maximum = kMaximumStart;
}

int MultiplierRange::clampLoadFilter(long long percent)
{
    if (percent < 0)
        return 0;
    if (percent > kLoadFilterMax)
        return kLoadFilterMax;
    return static_cast<int>(percent);
}

bool MultiplierRange::setLoadFilter(int percent)
{
    int clamped = clampLoadFilter(percent);
    if (clamped == m_loadFilter)
        return false;
    m_loadFilter = clamped;
    reset();
    return true;
}

MultiplierRange::Change MultiplierRange::update(double averageC0, double averageMultiplier)
{
    Change change;
    // Truncation toward zero, as a conversion to an integer does it; a NaN
    // share never counts.
    if (!(std::trunc(averageC0) >= m_loadFilter))
        return change;
    if (averageMultiplier < m_minimum) {
        m_minimum = averageMultiplier;
        change.minimum = true;
    }
    if (averageMultiplier > m_maximum) {
        m_maximum = averageMultiplier;
        change.maximum = true;
    }
    return change;
}

long long MultiplierRange::leadingInteger(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr long long limit = std::numeric_limits<int>::max();
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            value = limit;
    }
    return negative ? -value : value;
}

} // namespace turbo
