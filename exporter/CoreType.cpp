#include "exporter/CoreType.h"

#include "registers/MsrIndex.h"

namespace exporter {

std::string coreTypeOfCurrentCpu(platform::Processor& processor)
{
    namespace cpuid = msr::cpuid;
    if (processor.cpuid(cpuid::LeafVendor).eax < cpuid::LeafHybridInformation)
        return {};
    if (!cpuid::structured_features_edx::Hybrid.test(processor.cpuid(cpuid::LeafStructuredFeatures).edx))
        return {};
    switch (cpuid::hybrid_information_eax::CoreType.get(processor.cpuid(cpuid::LeafHybridInformation).eax)) {
    case cpuid::hybrid_information_eax::CoreTypeCore:
        return "P";
    case cpuid::hybrid_information_eax::CoreTypeAtom:
        return "E";
    default:
        return {};
    }
}

} // namespace exporter
