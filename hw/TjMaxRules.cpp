#include "hw/TjMaxRules.h"

#include "registers/MsrIndex.h"

#include <initializer_list>
#include <string_view>

namespace hw {

namespace {

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    for (std::string_view candidate : names)
        if (name == candidate)
            return true;
    return false;
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

void setAll(ProcessorInfo& info, int tjMax) { info.tjMax.fill(tjMax); }

constexpr std::string_view HarpertownXeons = "E5405 E5410 E5420 E5430 E5440 E5450 E5462 E5472";
constexpr std::string_view EarlyAtoms = "Z500 Z510 Z520 Z530 Z540 Z550 N270";

} // namespace

void applyTjMaxTable(ProcessorInfo& info, const BuildFlavour& flavour)
{
    const uint32_t signature = info.signature;
    std::string& name = info.modelName;
    const char first = name.empty() ? '\0' : name.front();

    setAll(info, 100);
    info.mobileModel = false;

    // 65 nm Core 2 other than the Kentsfield steppings 0x6FA / 0x6FB.
    if ((signature >= 0x6F0 && signature <= 0x6F9) || (signature >= 0x6FC && signature <= 0x6FF) ||
        (flavour.sixCoreRules && signature == 0x106C2))
        setAll(info, 90);

    if (first == 'T' || first == 'L' || first == 'U') {
        setAll(info, 100);
        info.mobileModel = true;
    }
    if (first == 'T' && std::string_view(name) >= "T8100")
        setAll(info, 105);
    if (first == 'P') {
        setAll(info, std::string_view(name) < "P8000" ? 90 : 105);
        info.mobileModel = true;
    }

    if (!flavour.sixCoreRules && isOneOf(name, {"L9300", "L9400", "L9600"}))
        name = "S" + name;
    if (isOneOf(name, {"SL9300", "SL9400", "SL9600", "SP9300", "SP9400", "SP9600", "SU9300", "SU9400", "SU9600",
                       "X9000", "X9100"})) {
        setAll(info, 105);
        info.mobileModel = true;
    }

    if (isOneOf(name, {"Q9000", "Q9100", "QX9300", "Q9300", "X9300"}) ||
        (flavour.sixCoreRules && name == "Q9200")) {
        setAll(info, 100);
        info.mobileModel = true;
    }

    if (isAtomSignature(signature)) {
        const bool early = contains(info.brandString, "N2") || contains(info.brandString, "Z5");
        setAll(info, early ? 90 : 100);
        info.mobileModel = true;
    }

    if (contains(HarpertownXeons, name))
        setAll(info, 90);
    if (flavour.sixCoreRules && contains(EarlyAtoms, name))
        setAll(info, 90);
}

void settleKillMhz(ProcessorInfo& info, int killMHzKey, const BuildFlavour& flavour)
{
    info.killMhz = info.mobileModel;
    if (!flavour.mobileOverride)
        return;
    if (info.killMhz) {
        if (killMHzKey == 29)
            info.killMhz = false;
    } else if (killMHzKey != 0) {
        info.killMhz = true;
    }
}

int tjMaxOfTarget(uint64_t temperatureTarget)
{
    const int tjMax = static_cast<int>(msr::temperature_target::TjMax.get(temperatureTarget));
    return tjMax < 70 ? 100 : tjMax;
}

void readTemperatureTargets(HardwareAccess& access, ProcessorInfo& info)
{
    if (!info.nehalemClass)
        return;
    for (int slot = 0; slot < MaxCoreSlots; ++slot) {
        // A core whose CPU refuses the pinning keeps the table's TjMax.
        if (!info.corePresent(slot) || !access.pin(info.coreCpu[slot]))
            continue;
        info.tjMax[slot] = tjMaxOfTarget(access.read(msr::MSR_TEMPERATURE_TARGET));
    }
    access.unpin();
}

void applyTjMaxOverrides(ProcessorInfo& info, std::span<const int> keys)
{
    info.tjMaxDetected = info.tjMax;
    for (size_t slot = 0; slot < keys.size() && slot < info.tjMax.size(); ++slot)
        if (keys[slot] >= TjMaxOverrideMin && keys[slot] <= TjMaxOverrideMax)
            info.tjMax[slot] = keys[slot];
}

} // namespace hw
