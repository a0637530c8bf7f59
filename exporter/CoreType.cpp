#include "exporter/CoreType.h"

#include "registers/MsrIndex.h"

namespace exporter {

std::string coreTypeOfCurrentCpu(platform::Processor& processor)
{
    namespace cpuid = msr::cpuid;
    if (processor.cpuid(cpuid::LeafVendor).eax < cpuid::LeafHybrid)
        return {};
    if (!cpuid::structured_features_edx::Hybrid.test(processor.cpuid(cpuid::LeafStructuredFeatures).edx))
        return {};
    switch (cpuid::hybrid_eax::CoreType.get(processor.cpuid(cpuid::LeafHybrid).eax)) {
    case cpuid::hybrid_eax::CoreTypeCore:
        return "P";
    case cpuid::hybrid_eax::CoreTypeAtom:
        return "E";
    default:
        return {};
    }
}

} // namespace exporter
