#include "common/CounterArithmetic.h"

#include "registers/MsrIndex.h"
#include "platform/Processor.h"

namespace common {

uint64_t counterDelta(uint64_t now, uint64_t last, uint64_t wrap)
{
    if (static_cast<int64_t>(now) < static_cast<int64_t>(last))
        return wrap - last + now;
    return now - last;
}

uint64_t counterWrapForWidth(uint32_t highestLeaf, uint32_t reportedWidth)
{
    if (highestLeaf < msr::cpuid::LeafPerformanceMonitoring)
        return DefaultCounterWrap;
    // A processor without architectural counters reports 0; a width of 64
    // or more cannot be expressed as a wrap value and is not a real counter.
    if (reportedWidth == 0 || reportedWidth >= 64)
        return DefaultCounterWrap;
    return uint64_t(1) << reportedWidth;
}

uint64_t counterWrapOf(platform::Processor& processor)
{
    namespace leaf = msr::cpuid;
    const uint32_t highestLeaf = processor.cpuid(leaf::LeafVendor).eax;
    uint32_t width = 0;
    if (highestLeaf >= leaf::LeafPerformanceMonitoring)
        width = static_cast<uint32_t>(
            leaf::performance_monitoring_eax::GpCounterWidth.get(processor.cpuid(leaf::LeafPerformanceMonitoring).eax));
    return counterWrapForWidth(highestLeaf, width);
}

} // namespace common
