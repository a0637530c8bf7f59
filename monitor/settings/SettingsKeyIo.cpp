#include "monitor/settings/SettingsKeyIo.h"

#include "monitor/settings/SettingsKeys.h"
#include "monitor/settings/SettingsRules.h"
#include "platform/IniDocument.h"

#include <algorithm>
#include <type_traits>

namespace monitor {

namespace {

template <typename T>
constexpr bool IsArray = false;
template <typename T, size_t N>
constexpr bool IsArray<std::array<T, N>> = true;
template <typename T>
constexpr bool IsArray<hw::SlotArray<T>> = true;

// The field of a slot: the array element of a numbered key.
template <typename Record, typename Member>
auto& valueOf(Record& record, Member member, int slot)
{
    auto& field = record.*member;
    if constexpr (IsArray<std::remove_cvref_t<decltype(field)>>)
        return field[static_cast<size_t>(slot)];
    else
        return field;
}

// The defaults: what a fresh record holds.
const MonitorSettings& freshRecord()
{
    static const MonitorSettings fresh;
    return fresh;
}

struct Place {
    const platform::IniDocument& document;
    const char* section;
    std::string name;
    const SettingsKey& key;
    const KeyContext& context;

    int fallback(int fresh) const { return key.contextDefault ? key.contextDefault(context) : fresh; }
    int number(int fallbackValue) const { return document.readInt(section, name, fallbackValue); }
};

void readValue(const Place& at, int& value, int fresh)
{
    const int fallback = at.fallback(fresh);
    const int read = at.key.format == KeyFormat::Tenths
        ? idleTenthsFromText(at.document.readString(at.section, at.name, idleText(fallback)))
        : at.number(fallback);
    value = at.key.rule ? at.key.rule(read, fallback, at.context) : read;
}

void readValue(const Place& at, bool& value, bool fresh) { value = at.number(fresh ? 1 : 0) != 0; }

void readValue(const Place& at, uint32_t& value, uint32_t fresh)
{
    value = static_cast<uint32_t>(at.number(at.fallback(static_cast<int>(fresh))));
}

void readValue(const Place& at, uint64_t& value, uint64_t fresh)
{
    const std::string text = at.document.readString(at.section, at.name, maskText(fresh));
    value = text.empty() ? fresh : maskFromText(text);
}

void readValue(const Place& at, std::string& value, const std::string& fresh)
{
    std::string text = at.document.readString(at.section, at.name, fresh);
    value = at.key.textLimit != 0 ? firstCharacters(text, at.key.textLimit) : std::move(text);
}

std::string valueText(const SettingsKey& key, int value)
{
    return key.format == KeyFormat::Tenths ? idleText(value) : std::to_string(value);
}
std::string valueText(const SettingsKey&, bool value) { return flagText(value); }
std::string valueText(const SettingsKey& key, uint32_t value)
{
    return key.format == KeyFormat::Colour ? colourText(value) : registerText(value);
}
std::string valueText(const SettingsKey&, uint64_t value) { return maskText(value); }
std::string valueText(const SettingsKey&, const std::string& value) { return value; }

bool gpuSensorWorks(const MonitorSettings& record) { return record.nvidiaPresent || record.atiPresent; }

} // namespace

std::string keyName(const SettingsKey& key, int slot)
{
    return key.slots == KeySlots::One ? std::string(key.name) : indexedKey(key.name, slot);
}

const char* sectionOf(const SettingsKey& key, const SettingsLayout& layout)
{
    return key.section == KeySection::TurboLimits ? layout.turboSection : MainSection;
}

bool keyApplies(const SettingsKey& key, const KeyContext& c)
{
    switch (key.when) {
    case KeyWhen::Always: return true;
    case KeyWhen::LogFileNameKey: return c.layout.logFileNameKey;
    case KeyWhen::KillMhzKey: return c.layout.killMhzKey;
    case KeyWhen::SkullKey: return c.layout.skullKey;
    case KeyWhen::RefreshIntervalKey: return c.layout.refreshIntervalKey;
    case KeyWhen::OldFormulaKey: return c.layout.oldFormulaKey;
    case KeyWhen::FontChoiceKeys: return c.layout.fontChoiceKeys;
    case KeyWhen::CoreIconsKey: return c.layout.coreIconsKey;
    case KeyWhen::InfoWindowIndexKey: return !c.layout.vidInfoKey;
    case KeyWhen::VidInfoKey: return c.layout.vidInfoKey && !c.processor.nehalemClass;
    case KeyWhen::AtiSensor: return c.record.atiPresent;
    case KeyWhen::RatioLimits: return c.turbo.ratioLimits;
    case KeyWhen::TdpLimits: return c.turbo.tdpLimits;
    }
    return false;
}

std::vector<int> slotsToRead(const SettingsKey& key, const SettingsLayout& layout)
{
    switch (key.slots) {
    case KeySlots::One: return {0};
    case KeySlots::GpuIcon: return {layout.gpuIcon};
    case KeySlots::PerCore: break;
    }
    std::vector<int> slots;
    for (int slot = 0; slot < layout.coreKeys; ++slot)
        slots.push_back(slot);
    return slots;
}

void readKey(const platform::IniDocument& document, const SettingsKey& key, MonitorSettings& record,
             const KeyContext& context)
{
    const Place at{document, sectionOf(key, context.layout), keyName(key, context.slot), key, context};
    std::visit([&](auto member) {
        readValue(at, valueOf(record, member, context.slot), valueOf(freshRecord(), member, context.slot));
    }, key.field);
}

bool writeKey(platform::IniDocument& document, const SettingsKey& key, const MonitorSettings& record,
              const KeyContext& context)
{
    const std::string text =
        std::visit([&](auto member) { return valueText(key, valueOf(record, member, context.slot)); }, key.field);
    return document.writeString(sectionOf(key, context.layout), keyName(key, context.slot), text);
}

void writeInOrder(platform::IniDocument& document, int SettingsKey::*place, const KeyContext& context,
                  const std::function<bool(const SettingsKey&)>& leftOut)
{
    std::vector<const SettingsKey*> order;
    for (const SettingsKey& key : settingsKeys())
        if (key.*place != 0)
            order.push_back(&key);
    std::sort(order.begin(), order.end(),
              [place](const SettingsKey* a, const SettingsKey* b) { return a->*place < b->*place; });

    auto write = [&](const SettingsKey& key, int slot) {
        KeyContext at = context;
        at.slot = slot;
        if (keyApplies(key, at) && !(leftOut && leftOut(key)))
            writeKey(document, key, context.record, at);
    };
    for (size_t i = 0; i < order.size();) {
        const SettingsKey& key = *order[i];
        if (key.slots != KeySlots::PerCore) {
            if (key.slots == KeySlots::One)
                write(key, 0);
            else if (gpuSensorWorks(context.record))
                write(key, context.layout.gpuIcon);
            ++i;
            continue;
        }
        size_t end = i;
        while (end < order.size() && order[end]->slots == KeySlots::PerCore)
            ++end;
        for (int core = 0; core < context.layout.coreKeys; ++core)
            if (context.processor.present(core))
                for (size_t k = i; k < end; ++k)
                    write(*order[k], core);
        i = end;
    }
}

} // namespace monitor
