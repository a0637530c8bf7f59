#include "sim/CpuidDumps.h"

namespace sim {

std::string_view cpuidDumpText(std::string_view name)
{
    for (int i = 0; i < embeddedCpuidDumpCount; ++i)
        if (embeddedCpuidDumps[i].name == name)
            return embeddedCpuidDumps[i].text;
    return {};
}

} // namespace sim
