#include "monitor/ui/app/AboutLinks.h"

#include <cstdio>
#include <filesystem>

namespace monitor {

std::string homePage()
{
    std::error_code error;
    if (std::filesystem::is_regular_file(about::InstalledReadme, error))
        return std::string(about::InstalledReadme);
    return OSTREL_SOURCE_README;
}

std::string specFinderCaption(std::string_view modelName, uint32_t signature)
{
    char cpuid[32];
    std::snprintf(cpuid, sizeof cpuid, "\nCPUID String: %0Xh", signature);
    return "Intel " + std::string(modelName) + " Spec Finder" + cpuid;
}

std::string specFinderAddress(std::string_view modelName)
{
    static constexpr std::string_view Core = "Core ";
    std::string name;
    for (size_t at = 0; at < modelName.size();) {
        if (modelName.substr(at).starts_with(Core)) {
            at += Core.size();
            continue;
        }
        name += modelName[at++];
    }
    return std::string(about::SpecSearchHost) + std::string(about::SpecSearchQuery) + name;
}

} // namespace monitor
