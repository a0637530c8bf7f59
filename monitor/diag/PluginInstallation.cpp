#include "monitor/diag/PluginInstallation.h"

#include "monitor/diag/PluginFileCopy.h"
#include "monitor/settings/PluginConfig.h"

namespace monitor {

namespace {

std::string folderWithSlash(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

} // namespace

PluginSources pluginSourcesBeside(std::string_view programPath)
{
    const std::string folder = folderWithSlash(programPath);
    return {folder + "OLCore.dll", folder + "OLCore.rth"};
}

bool isRivaTunerPath(std::string_view rivaFile)
{
    return rivaFile.ends_with(RivaTunerProgram);
}

std::string defaultRivaTunerFolder(const platform::EnvironmentLookup& environment, const std::string& home)
{
    std::string prefix;
    if (const std::optional<std::string> wine = environment("WINEPREFIX"); wine && !wine->empty())
        prefix = *wine;
    else
        prefix = home + "/.wine";
    if (!prefix.ends_with('/'))
        prefix += '/';
    return prefix + "drive_c/Program Files/RivaTuner";
}

PluginInstallResult installPlugin(const PluginInstallRequest& request)
{
    if (!isRivaTunerPath(request.rivaFile))
        return {PluginInstallStatus::NotRivaTuner, {}};
    const std::string folder =
        request.rivaFile.substr(0, request.rivaFile.size() - RivaTunerProgram.size());

    if (std::optional<std::string> problem =
            copyPluginFile(request.sources.plugin, folder + std::string(PluginTarget), request.owner))
        return {PluginInstallStatus::PluginNotCopied, *problem};
    copyPluginFile(request.sources.help, folder + std::string(PluginHelpTarget), request.owner);
    if (const std::optional<std::string> config = pluginConfigPath(request.rivaFile))
        writePluginCalibration(*config, request.settings, request.processor, request.layout,
                               CalibrationOrder::TjMaxFirst);
    return {PluginInstallStatus::Installed, {}};
}

} // namespace monitor
