#include "turbo/ProcessorNameLine.h"

#include "registers/MsrIndex.h"
#include "hw/ProcessorIdentification.h"

#include <cstdio>

namespace turbo {

namespace {

// Copies `text` with every `from` replaced by `to`, except where `keep`
// says an occurrence must stay.
template <typename Keep>
std::string replaced(std::string_view text, std::string_view from, std::string_view to, Keep&& keep)
{
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    for (size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        out.append(text.substr(start, at - start));
        out.append(keep(text, at) ? from : to);
        start = at + from.size();
    }
    out.append(text.substr(start));
    return out;
}

std::string replaced(std::string_view text, std::string_view from, std::string_view to)
{
    return replaced(text, from, to, [](std::string_view, size_t) { return false; });
}

} // namespace

std::string processorNameLine(std::string_view brand, uint32_t signature)
{
    // The Core 2 Extreme QX9650 names itself "X9650". A brand string that
    // already reads "QX9650" is left alone.
    std::string name = replaced(brand, "X9650", "QX9650",
                                [](std::string_view text, size_t at) { return at > 0 && text[at - 1] == 'Q'; });
    for (std::string_view mark : {"(R)", "(TM)", "CPU", "Genuine"})
        name = replaced(name, mark, " ");

    // The clock part: from an "@" that is not the very first character.
    size_t at = name.find('@', 1);
    if (at != std::string::npos)
        name.resize(at);

    for (size_t pair = name.find("  "); pair != std::string::npos; pair = name.find("  "))
        name.erase(pair, 1);
    size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos)
        name.clear();
    else
        name = name.substr(first, name.find_last_not_of(' ') - first + 1);

    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "  -  CPUID 0x%X", signature);
    return name + suffix;
}

std::string processorNameLine(platform::Processor& processor)
{
    uint32_t signature = msr::cpuid::signature(processor.cpuid(msr::cpuid::LeafFeatures).eax);
    return processorNameLine(hw::readBrandString(processor), signature);
}

} // namespace turbo
