#include "turbo/MultiplierRange.h"

#include "platform/IntegerText.h"

#include <cmath>

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

int MultiplierRange::loadFilterFromText(std::string_view text)
{
    // Saturating, so that very long digit strings still clamp to the range.
    return clampLoadFilter(
        platform::leadingInteger(text, platform::IntegerBase::Decimal, platform::IntegerOverflow::Saturate)
            .value_or(0));
}

} // namespace turbo
