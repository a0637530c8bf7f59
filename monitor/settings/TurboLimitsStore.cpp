#include "monitor/settings/TurboLimitsStore.h"

#include "hw/HardwareAccess.h"
#include "hw/MsrIndex.h"
#include "monitor/settings/SettingsRules.h"
#include "platform/IniFile.h"

namespace monitor {

namespace {

constexpr int LastCpu = 7;

uint32_t readRegisterKey(const platform::IniDocument& document, const SettingsLayout& layout,
                         const char* key, uint32_t defaultValue)
{
    return static_cast<uint32_t>(
        document.readInt(layout.turboSection, key, static_cast<int>(defaultValue)));
}

} // namespace

WriteResult SaveTurboLimits(MonitorSettings& settings, const std::string& iniPath,
                            hw::HardwareAccess& hardware, const SettingsLayout& layout)
{
    const uint64_t platformInfo = hardware.read(msr::MSR_PLATFORM_INFO);
    const bool ratioLimits = msr::platform_info::ProgrammableRatioLimit.test(platformInfo);
    const bool tdpLimits = msr::platform_info::ProgrammableTdpLimit.test(platformInfo);
    if (!ratioLimits && !tdpLimits)
        return WriteResult::Written; // nothing to store

    const platform::IniFile file(iniPath);
    std::optional<platform::IniDocument> document = file.load();
    if (!document)
        return WriteResult::Failed;

    MonitorSettings stored = settings;
    if (tdpLimits) {
        stored.TDPTDC = msr::lowHalf(hardware.read(msr::MSR_TURBO_POWER_CURRENT_LIMIT));
        document->writeString(layout.turboSection, "TDPTDC", registerText(stored.TDPTDC));
    }
    if (ratioLimits) {
        const uint64_t ratios = hardware.read(msr::MSR_TURBO_RATIO_LIMIT);
        stored.OneADEAX = msr::lowHalf(ratios);
        stored.OneADEDX = msr::highHalf(ratios);
        document->writeString(layout.turboSection, "OneADEAX", registerText(stored.OneADEAX));
        document->writeString(layout.turboSection, "OneADEDX", registerText(stored.OneADEDX));
    }
    if (!file.save(*document))
        return WriteResult::Failed;
    settings.TDPTDC = stored.TDPTDC;
    settings.OneADEAX = stored.OneADEAX;
    settings.OneADEDX = stored.OneADEDX;
    return WriteResult::Written;
}

void ApplyStartupTurboLimits(MonitorSettings& settings, const platform::IniDocument& document,
                             hw::HardwareAccess& hardware, const SettingsLayout& layout)
{
    const uint64_t platformInfo = hardware.read(msr::MSR_PLATFORM_INFO);

    if (msr::platform_info::ProgrammableRatioLimit.test(platformInfo)) {
        settings.OneADEAX = readRegisterKey(document, layout, "OneADEAX", 0);
        settings.OneADEDX = readRegisterKey(document, layout, "OneADEDX", 0);
        if (settings.OneADEAX != 0) {
            const uint64_t ratios = msr::join(settings.OneADEAX, settings.OneADEDX);
            hardware.forEachCpu(0, LastCpu,
                                [&](int) { hardware.write(msr::MSR_TURBO_RATIO_LIMIT, ratios); });
        }
    }

    if (msr::platform_info::ProgrammableTdpLimit.test(platformInfo)) {
        const uint64_t current = hardware.read(msr::MSR_TURBO_POWER_CURRENT_LIMIT);
        settings.TDPTDC = readRegisterKey(document, layout, "TDPTDC", msr::lowHalf(current));
        uint64_t limits = msr::join(settings.TDPTDC, msr::highHalf(current));
        limits = msr::turbo_power_current_limit::TdpLimitOverride.set(limits, 1);
        limits = msr::turbo_power_current_limit::TdcLimitOverride.set(limits, 1);
        hardware.forEachCpu(0, LastCpu, [&](int) {
            hardware.write(msr::MSR_TURBO_POWER_CURRENT_LIMIT, limits);
        });
    }
}

void ApplyStartupTurboLimits(MonitorSettings& settings, const std::string& iniPath,
                             hw::HardwareAccess& hardware, const SettingsLayout& layout)
{
    const platform::IniDocument document =
        platform::IniFile(iniPath).load().value_or(platform::IniDocument());
    ApplyStartupTurboLimits(settings, document, hardware, layout);
}

} // namespace monitor
