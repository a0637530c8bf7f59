#include "turbo/TurboSettings.h"

#include "platform/IniFile.h"
#include "turbo/MultiplierRange.h"

namespace turbo {

TurboSettings TurboSettings::load(const platform::IniFile& file)
{
    TurboSettings settings;
    std::optional<platform::IniDocument> document = file.load();
    if (!document)
        return settings;
    settings.loadFilter = MultiplierRange::clampLoadFilter(
        document->readInt(kSection, "LoadFilter", MultiplierRange::kDefaultLoadFilter));
    settings.logFormat = document->readInt(kSection, "Excel", 0) != 0 ? LogFormat::Csv : LogFormat::Text;
    return settings;
}

bool TurboSettings::save(platform::IniFile& file) const
{
    std::optional<platform::IniDocument> document = file.load();
    if (!document)
        return false;
    document->writeString(kSection, "LoadFilter", std::to_string(loadFilter));
    document->writeString(kSection, "Excel", logFormat == LogFormat::Csv ? "1" : "0");
    return file.save(*document);
}

} // namespace turbo
