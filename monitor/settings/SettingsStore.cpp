#include "monitor/settings/SettingsStore.h"

#include "hw/HardwareAccess.h"
#include "registers/MsrIndex.h"
#include "monitor/settings/IconSelection.h"
#include "monitor/settings/PluginConfig.h"
#include "monitor/settings/SettingsKeyIo.h"
#include "monitor/settings/SettingsKeys.h"
#include "monitor/settings/SettingsRules.h"
#include "platform/IniFile.h"

namespace monitor {

namespace {

// Shift of the window rectangle stored while desktop composition draws the
// frame outside it.
constexpr int CompositionFrame = 5;

// Keys whose existence and rules need no processor (fonts, the ATI sensor,
// what is saved at shutdown) see this one; the font and ATI sensor keys are
// the same in both layouts.
const ProcessorFacts NoProcessor{};
const SettingsLayout& EitherLayout = FourCoreSettings;

platform::IniDocument loadForReading(const std::string& iniPath)
{
    return platform::IniFile(iniPath).load().value_or(platform::IniDocument());
}

// Reads every key that `wanted` picks and that exists, in the table's order.
template <typename Wanted>
void readKeys(MonitorSettings& settings, const platform::IniDocument& document, const KeyContext& context,
              Wanted&& wanted)
{
    for (const SettingsKey& key : settingsKeys()) {
        if (!wanted(key))
            continue;
        for (int slot : slotsToRead(key, context.layout)) {
            KeyContext at = context;
            at.slot = slot;
            if (keyApplies(key, at))
                readKey(document, key, settings, at);
        }
    }
}

// Loads the file, lets `fill` set its keys and replaces the file once.
template <typename Fill>
WriteResult rewrite(const std::string& iniPath, Fill&& fill)
{
    const platform::IniFile file(iniPath);
    std::optional<platform::IniDocument> document = file.load();
    if (!document) // unreadable: writing would lose its content
        return {WriteResult::Failed, "settings file " + iniPath + " not saved: " + file.refusal()};
    fill(*document);
    if (!file.save(*document))
        return {WriteResult::Failed, file.problem()};
    return WriteResult::Written;
}

bool readByLoadAll(const SettingsKey& key)
{
    return key.reader == KeyReader::All || key.reader == KeyReader::AllAndStartup;
}

} // namespace

void LoadFonts(MonitorSettings& settings, const std::string& iniPath, const SettingsLayout& layout)
{
    const platform::IniDocument document = loadForReading(iniPath);
    readKeys(settings, document, {layout, NoProcessor, settings},
             [](const SettingsKey& key) { return key.reader == KeyReader::Fonts; });
    settings.iconFont = iconFontFrom(settings);
    settings.mainFont = mainFontFor(WindowsMajorVersion);
}

void LoadStartupKeys(MonitorSettings& settings, const std::string& iniPath, const SettingsLayout& layout)
{
    const platform::IniDocument document = loadForReading(iniPath);
    readKeys(settings, document, {layout, NoProcessor, settings},
             [](const SettingsKey& key) { return key.reader == KeyReader::AllAndStartup; });
}

void LoadAll(MonitorSettings& settings, const std::string& iniPath, const ProcessorFacts& processor,
             const SettingsLayout& layout)
{
    const platform::IniDocument document = loadForReading(iniPath);
    settings.CPUID = processor.signature;
    settings.Spec = processor.brandString;
    settings.TjMax = processor.tjMax; // also the slots without keys
    settings.gpuPresent = settings.nvidiaPresent || settings.atiPresent;

    readKeys(settings, document, {layout, processor, settings}, readByLoadAll);
    settings.unitText = unitTextFor(settings.Fahrenheit, settings.DegreeSymbolString);
    refreshBrushes(settings);
}

void LoadAtiSensorKeys(MonitorSettings& settings, const std::string& iniPath)
{
    const platform::IniDocument document = loadForReading(iniPath);
    for (const SettingsKey& key : settingsKeys())
        if (key.when == KeyWhen::AtiSensor)
            readKey(document, key, settings, {EitherLayout, NoProcessor, settings});
}

WriteResult SaveAll(const MonitorSettings& s, const std::string& iniPath, const ProcessorFacts& processor,
                    const SettingsLayout& layout)
{
    // What the file gets besides the record: the processor for reference,
    // and the GPU sensors that work.
    MonitorSettings stored = s;
    stored.Spec = processor.brandString;
    stored.CPUID = processor.signature;
    stored.GPU = (s.atiPresent ? 2 : 0) | (s.nvidiaPresent ? 1 : 0);
    // Icons waiting for a notification area stay chosen in the file.
    chooseIcons(stored, layout, s.iconShowAwaitingArea);
    stored.IconMax = s.IconMax || s.iconMaxAwaitingArea;
    const WriteResult result = rewrite(iniPath, [&](platform::IniDocument& document) {
        writeInOrder(document, &SettingsKey::saveAll, {layout, processor, stored});
    });

    if (const std::optional<std::string> configPath = pluginConfigPath(s.RivaFile))
        writePluginCalibration(*configPath, s, processor, layout, CalibrationOrder::PerCore);
    return result;
}

WriteResult SaveOnExit(const MonitorSettings& s, const std::string& iniPath, const ExitState& exitState,
                       hw::HardwareAccess& hardware, const SettingsLayout& layout)
{
    const bool pinned = hardware.pinAnyCpu() >= 0;
    const uint32_t clockModulation = pinned ? msr::lowHalf(hardware.read(msr::IA32_CLOCK_MODULATION)) : 0;
    hardware.unpin();

    MonitorSettings stored = s;
    stored.ClockMod = static_cast<int>(clockModulation);
    chooseIcons(stored, layout, s.iconShowAwaitingArea);
    if (exitState.windowTopLeft) {
        ScreenPoint position = *exitState.windowTopLeft;
        if (!s.MiniMode && exitState.composition == Composition::On) {
            position.x -= CompositionFrame;
            position.y -= CompositionFrame;
        }
        stored.WindowXY = packPosition(position);
    }
    const auto& anchor = exitState.anchorRect;
    const bool anchored = anchor[0] != 0 || anchor[1] != 0 || anchor[2] != 0 || anchor[3] != 0;
    if (anchored)
        stored.AnchorXY = packPosition({anchor[0], anchor[1]});
    // Without a window rectangle or an anchor the stored ones stay.
    const auto unknown = [&](const SettingsKey& key) {
        return (key.field == KeyField(&MonitorSettings::WindowXY) && !exitState.windowTopLeft) ||
               (key.field == KeyField(&MonitorSettings::AnchorXY) && !anchored);
    };
    return rewrite(iniPath, [&](platform::IniDocument& document) {
        writeInOrder(document, &SettingsKey::saveOnExit, {layout, NoProcessor, stored}, unknown);
    });
}

WriteResult SaveFont(const MonitorSettings& s, const std::string& iniPath)
{
    return rewrite(iniPath, [&](platform::IniDocument& document) {
        writeInOrder(document, &SettingsKey::saveFont, {EitherLayout, NoProcessor, s});
    });
}

WriteResult SaveAtiSensorKeys(const MonitorSettings& s, const std::string& iniPath)
{
    return rewrite(iniPath, [&](platform::IniDocument& document) {
        for (const SettingsKey& key : settingsKeys())
            if (key.when == KeyWhen::AtiSensor)
                writeKey(document, key, s, {EitherLayout, NoProcessor, s});
    });
}

MonitorSettings WithWindowDefaults(const MonitorSettings& settings)
{
    const MonitorSettings fresh;
    MonitorSettings shown = settings;
    for (const SettingsKey& key : settingsKeys())
        if (key.windowDefault)
            std::visit([&](auto member) { shown.*member = fresh.*member; }, key.field);
    return shown;
}

} // namespace monitor
