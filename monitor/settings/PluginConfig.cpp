#include "monitor/settings/PluginConfig.h"

#include "monitor/settings/SettingsKeyIo.h"
#include "monitor/settings/SettingsKeys.h"
#include "platform/IniFile.h"

namespace monitor {

std::optional<std::string> pluginConfigPath(std::string_view rivaFile)
{
    if (!rivaFile.ends_with(RivaTunerProgram))
        return std::nullopt;
    std::string path(rivaFile.substr(0, rivaFile.size() - RivaTunerProgram.size()));
    path += "PlugIns/Monitoring/OLCore.cfg";
    return path;
}

WriteResult writePluginCalibration(const std::string& configPath, const MonitorSettings& settings,
                                   const ProcessorFacts& processor, const SettingsLayout& layout,
                                   CalibrationOrder order)
{
    const platform::IniFile file(configPath);
    std::optional<platform::IniDocument> document = file.load();
    if (!document)
        return WriteResult::Failed;
    // The settings file's keys, in its formats.
    const SettingsKey& tjMax = settingsKeyOf(&MonitorSettings::TjMax);
    const SettingsKey& idle = settingsKeyOf(&MonitorSettings::Idle);
    auto write = [&](const SettingsKey& key, int core) {
        writeKey(*document, key, settings, {layout, processor, settings, {}, core});
    };
    const auto writeTjMax = [&](int core) { write(tjMax, core); };
    const auto writeIdle = [&](int core) { write(idle, core); };
    if (order == CalibrationOrder::PerCore) {
        for (int core = 0; core < layout.coreKeys; ++core) {
            if (!processor.present(core))
                continue;
            writeIdle(core);
            writeTjMax(core);
        }
    } else {
        for (int core = 0; core < layout.coreKeys; ++core)
            if (processor.present(core))
                writeTjMax(core);
        for (int core = 0; core < layout.coreKeys; ++core)
            if (processor.present(core))
                writeIdle(core);
    }
    return file.save(*document) ? WriteResult::Written : WriteResult::Failed;
}

} // namespace monitor
