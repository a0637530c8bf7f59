#include "monitor/settings/ProcessorFacts.h"

#include "hw/ProcessorInfo.h"

namespace monitor {

ProcessorFacts processorFacts(const hw::ProcessorInfo& info)
{
    ProcessorFacts facts;
    facts.signature = info.signature;
    facts.brandString = info.brandString;
    facts.coreCpu = info.coreCpu;
    facts.tjMax = info.tjMax;
    facts.nehalemClass = info.nehalemClass;
    facts.sandyBridgeClass = info.sandyBridgeClass;
    return facts;
}

} // namespace monitor
