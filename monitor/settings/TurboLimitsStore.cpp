#include "monitor/settings/TurboLimitsStore.h"

#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "monitor/settings/SettingsKeyIo.h"
#include "monitor/settings/SettingsKeys.h"
#include "platform/IniFile.h"

namespace monitor {

namespace {

const ProcessorFacts NoProcessor{};

TurboFacts programmable(uint64_t platformInfo)
{
    TurboFacts facts;
    facts.ratioLimits = msr::platform_info::ProgrammableRatioLimit.test(platformInfo);
    facts.tdpLimits = msr::platform_info::ProgrammableTdpLimit.test(platformInfo);
    return facts;
}

// The turbo limit keys that exist for these facts.
void readTurboKeys(MonitorSettings& settings, const platform::IniDocument& document, const TurboFacts& facts,
                   const SettingsLayout& layout)
{
    const KeyContext context{layout, NoProcessor, settings, facts};
    for (const SettingsKey& key : settingsKeys())
        if (key.reader == KeyReader::TurboLimits && keyApplies(key, context))
            readKey(document, key, settings, context);
}

} // namespace

WriteResult SaveTurboLimits(MonitorSettings& settings, const std::string& iniPath,
                            hw::HardwareAccess& hardware, const SettingsLayout& layout)
{
    const TurboFacts facts = programmable(hardware.read(msr::MSR_PLATFORM_INFO));
    if (!facts.ratioLimits && !facts.tdpLimits)
        return WriteResult::Written; // nothing to store

    const platform::IniFile file(iniPath);
    std::optional<platform::IniDocument> document = file.load();
    if (!document)
        return WriteResult::Failed;

    MonitorSettings stored = settings;
    if (facts.tdpLimits)
        stored.TDPTDC = msr::lowHalf(hardware.read(msr::MSR_TURBO_POWER_CURRENT_LIMIT));
    if (facts.ratioLimits) {
        const uint64_t ratios = hardware.read(msr::MSR_TURBO_RATIO_LIMIT);
        stored.OneADEAX = msr::lowHalf(ratios);
        stored.OneADEDX = msr::highHalf(ratios);
    }
    const KeyContext context{layout, NoProcessor, stored, facts};
    for (const SettingsKey& key : settingsKeys())
        if (key.reader == KeyReader::TurboLimits && keyApplies(key, context))
            writeKey(*document, key, stored, context);
    if (!file.save(*document))
        return WriteResult::Failed;
    settings.TDPTDC = stored.TDPTDC;
    settings.OneADEAX = stored.OneADEAX;
    settings.OneADEDX = stored.OneADEDX;
    return WriteResult::Written;
}

void ApplyStartupTurboLimits(MonitorSettings& settings, const std::string& iniPath,
                             hw::HardwareAccess& hardware, const SettingsLayout& layout)
{
    const platform::IniDocument document =
        platform::IniFile(iniPath).load().value_or(platform::IniDocument());
    const TurboFacts facts = programmable(hardware.read(msr::MSR_PLATFORM_INFO));

    if (facts.ratioLimits) {
        readTurboKeys(settings, document, {.ratioLimits = true}, layout);
        if (settings.OneADEAX != 0) {
            const uint64_t ratios = msr::join(settings.OneADEAX, settings.OneADEDX);
            hardware.forEachCpu([&](int) { hardware.write(msr::MSR_TURBO_RATIO_LIMIT, ratios); });
        }
    }

    if (facts.tdpLimits) {
        const uint64_t current = hardware.read(msr::MSR_TURBO_POWER_CURRENT_LIMIT);
        readTurboKeys(settings, document, {.tdpLimits = true, .tdpTdcNow = msr::lowHalf(current)}, layout);
        uint64_t limits = msr::join(settings.TDPTDC, msr::highHalf(current));
        limits = msr::turbo_power_current_limit::TdpLimitOverride.set(limits, 1);
        limits = msr::turbo_power_current_limit::TdcLimitOverride.set(limits, 1);
        hardware.forEachCpu([&](int) {
            hardware.write(msr::MSR_TURBO_POWER_CURRENT_LIMIT, limits);
        });
    }
}

} // namespace monitor
