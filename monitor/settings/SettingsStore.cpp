#include "monitor/settings/SettingsStore.h"

#include "hw/HardwareAccess.h"
#include "hw/MsrIndex.h"
#include "monitor/settings/PluginConfig.h"
#include "monitor/settings/SettingsKeys.h"
#include "monitor/settings/SettingsRules.h"
#include "monitor/settings/TurboLimitsStore.h"
#include "platform/IniFile.h"

#include <algorithm>

namespace monitor {

namespace {

// Shift of the window rectangle stored while desktop composition draws the
// frame outside it.
constexpr int CompositionFrame = 5;

platform::IniDocument loadForReading(const std::string& iniPath)
{
    return platform::IniFile(iniPath).load().value_or(platform::IniDocument());
}

// Reads keys of section Ostrel from one snapshot of the file.
class Reader {
public:
    explicit Reader(const platform::IniDocument& document) : m_document(document) {}

    int integer(std::string_view key, int defaultValue) const
    {
        return m_document.readInt(MainSection, key, defaultValue);
    }
    bool flag(std::string_view key) const { return integer(key, 0) != 0; }
    Colour colour(std::string_view key, Colour defaultValue) const
    {
        return static_cast<Colour>(integer(key, static_cast<int>(defaultValue)));
    }
    std::string text(std::string_view key, std::string_view defaultValue) const
    {
        return m_document.readString(MainSection, key, defaultValue);
    }

private:
    const platform::IniDocument& m_document;
};

// Collects keys of section Ostrel into a document; a key whose value the file
// format cannot hold (a line break) is left out.
class Writer {
public:
    explicit Writer(platform::IniDocument& document) : m_document(document) {}

    void integer(std::string_view key, int value) { m_document.writeInt(MainSection, key, value); }
    void flag(std::string_view key, bool on) { text(key, flagText(on)); }
    void colour(std::string_view key, Colour value) { text(key, colourText(value)); }
    void text(std::string_view key, std::string_view value)
    {
        m_document.writeString(MainSection, key, value);
    }

private:
    platform::IniDocument& m_document;
};

// Loads the file, lets `fill` set its keys and replaces the file once.
template <typename Fill>
WriteResult rewrite(const std::string& iniPath, Fill&& fill)
{
    const platform::IniFile file(iniPath);
    std::optional<platform::IniDocument> document = file.load();
    if (!document) // unreadable: writing would lose its content
        return {WriteResult::Failed, "settings file " + iniPath + " not saved: " + file.refusal()};
    Writer writer(*document);
    fill(writer);
    if (!file.save(*document))
        return {WriteResult::Failed, file.problem()};
    return WriteResult::Written;
}

void readProcessorKeys(MonitorSettings& s, const Reader& in, const StartupActions& actions,
                       const SettingsLayout& layout)
{
    s.MSRMulti = in.integer("MSRMulti", 0);
    s.RivaFile = in.text("RivaFile", "");
    if (layout.logFileNameKey)
        s.LogFileName = in.text("LogFileName", "OstrelLog");
    if (layout.killMhzKey)
        s.KillMHz = in.integer("KillMHz", 0);
    if (layout.skullKey)
        s.Skull = in.integer("Skull", 0);
    s.GPU = in.integer("GPU", 0);
    if (actions.openGpuSensors)
        actions.openGpuSensors(s);
    s.gpuPresent = s.nvidiaPresent || s.atiPresent;
    if (s.atiPresent) {
        s.PollInterval = normalisePollInterval(in.integer("PollInterval", 5));
        s.DisableSensor = in.integer("DisableSensor", 0);
    }
}

void readDisplayKeys(MonitorSettings& s, const Reader& in, const ProcessorFacts& processor,
                     const SettingsLayout& layout)
{
    s.Fahrenheit = in.flag("Fahrenheit");
    s.ThreeDigit = in.flag("ThreeDigit");
    s.IconMax = in.flag("IconMax");
    s.CoreMax = in.colour("CoreMax", DefaultIconColour);
    if (layout.vidInfoKey) {
        if (!processor.nehalemClass)
            s.VIDInfo = in.integer("VIDInfo", 0);
    } else {
        s.InfoWindowIndex = normaliseInfoWindowIndex(in.integer("InfoWindowIndex", 0), processor);
    }
    s.DegreeSymbolString = firstCharacters(in.text("DegreeSymbolString", ""), DegreeSymbolLength);
    s.unitText = unitTextFor(s.Fahrenheit, s.DegreeSymbolString);
}

void readCalibrationKeys(MonitorSettings& s, const Reader& in, const ProcessorFacts& processor,
                         const SettingsLayout& layout)
{
    s.TjMax = processor.tjMax;
    for (int core = 0; core < layout.coreKeys; ++core) {
        // A missing key reads as 0, which is no accepted TjMax.
        if (const std::optional<int> tjMax = acceptedTjMax(in.integer(indexedKey("TjMax", core), 0)))
            s.TjMax[core] = *tjMax;
        s.Idle[core] = idleTenthsFromText(in.text(indexedKey("Idle", core), "0.0"));
    }
}

void readRemainingKeys(MonitorSettings& s, const Reader& in, const StartupActions& actions,
                       const SettingsLayout& layout)
{
    s.LogInterval = normaliseLogInterval(in.integer("LogInterval", 5));
    s.LogFile = in.integer("LogFile", 0);
    s.TrayInfo = in.integer("TrayInfo", 0);
    s.MinimizeOnClose = in.flag("MinimizeOnClose");
    s.Alarm = in.integer("Alarm", 0);
    const int alarmDefault = alarm1Default(layout, s.Fahrenheit);
    s.Alarm1 = normaliseAlarm1(in.integer("Alarm1", alarmDefault), layout, s.Fahrenheit);
    s.Alarm2 = alarm2Default(layout, s.Fahrenheit, s.gpuPresent);
    if (s.gpuPresent)
        s.Alarm2 = in.integer("Alarm2", s.Alarm2);
    s.Alarm2 = std::min(s.Alarm2, alarm2Limit(layout, s.Fahrenheit));
    s.HDWrite = normaliseHDWrite(in.integer("HDWrite", 60));
    s.RefreshInterval = layout.refreshIntervalKey
        ? normaliseRefreshInterval(in.integer("RefreshInterval", 1000))
        : 1000;
    s.TMLoad = in.flag("TMLoad");
    if (s.TMLoad && actions.startLoadThread)
        actions.startLoadThread();
    for (int icon = 0; icon < layout.coreKeys; ++icon)
        s.IconTextColor[icon] = in.colour(indexedKey("IconTextColor", icon), DefaultIconColour);
    s.IconTextColor[layout.gpuIcon] =
        in.colour(indexedKey("IconTextColor", layout.gpuIcon), DefaultIconColour);
    s.ClockMod = normaliseClockMod(in.integer("ClockMod", 2));
    if (actions.writeClockModulation)
        actions.writeClockModulation(static_cast<uint32_t>(s.ClockMod));
    if (layout.oldFormulaKey)
        s.OldFormula = in.integer("OldFormula", 0);
    s.WindowXY = in.integer("WindowXY", 0);
    s.AnchorXY = in.integer("AnchorXY", 0);
    s.MiniMode = in.flag("MiniMode");
    s.TaskBar = in.integer("TaskBar", 0);
    s.StartMinimized = in.integer("StartMinimized", 0);
    s.CSV = in.integer("CSV", 0);
    s.OnTop = in.integer("OnTop", 0);
    s.AlarmFile = in.text("AlarmFile", "");
    s.GUIColor = in.colour("GUIColor", DefaultWindowColour);
    s.GUIMiniColor = in.colour("GUIMiniColor", DefaultWindowColour);
    s.GUIText = in.colour("GUIText", 0);
    s.GUIMiniText = in.colour("GUIMiniText", 0);
    s.GUINormHead = in.colour("GUINormHead", 0);
    s.GUIMiniHead = in.colour("GUIMiniHead", 0);
    s.CustomGUI = in.integer("CustomGUI", 0);
    s.CustomGUIMini = in.integer("CustomGUIMini", 0);
    refreshBrushes(s);
    s.NormHeading = in.integer("NormHeading", 0);
    s.MiniHeading = in.integer("MiniHeading", 0);
    s.IconShow = in.integer("IconShow", 1);
    if (!s.gpuPresent)
        s.IconShow &= ~(1 << layout.gpuIcon);
}

} // namespace

void LoadFonts(MonitorSettings& settings, const std::string& iniPath, const SettingsLayout& layout)
{
    const platform::IniDocument document = loadForReading(iniPath);
    const Reader in(document);
    settings.lfHeight = in.integer("lfHeight", -13);
    settings.lfWidth = in.integer("lfWidth", 0);
    settings.lfWeight = in.integer("lfWeight", 400);
    settings.lfItalic = in.integer("lfItalic", 0);
    settings.lfCharSet = in.integer("lfCharSet", 0);
    settings.lfPitchAndFamily = in.integer("lfPitchAndFamily", 34);
    settings.lfFaceName = in.text("lfFaceName", "MS Sans Serif");
    settings.Quality = normaliseQuality(in.integer("Quality", 0));
    if (layout.fontChoiceKeys) {
        settings.FontNumber = normaliseFontNumber(in.integer("FontNumber", 0));
        settings.Bold = in.flag("Bold");
    }
    settings.iconFont = iconFontFrom(settings);
    settings.mainFont = mainFontFor(WindowsMajorVersion);
}

void LoadAll(MonitorSettings& settings, const std::string& iniPath, const ProcessorFacts& processor,
             const StartupActions& actions, const SettingsLayout& layout)
{
    const platform::IniDocument document = loadForReading(iniPath);
    const Reader in(document);
    settings.CPUID = processor.signature;
    settings.Spec = processor.brandString;

    readProcessorKeys(settings, in, actions, layout);
    readDisplayKeys(settings, in, processor, layout);
    if (processor.nehalemClass && actions.hardware != nullptr)
        ApplyStartupTurboLimits(settings, document, *actions.hardware, layout);
    readCalibrationKeys(settings, in, processor, layout);
    readRemainingKeys(settings, in, actions, layout);
}

WriteResult SaveAll(const MonitorSettings& s, const std::string& iniPath,
                    const ProcessorFacts& processor, const SettingsLayout& layout)
{
    const WriteResult result = rewrite(iniPath, [&](Writer& out) {
        out.text("Spec", processor.brandString);
        out.text("RivaFile", s.RivaFile);
        for (int core = 0; core < layout.coreKeys; ++core) {
            if (!processor.present(core))
                continue;
            out.colour(indexedKey("IconTextColor", core), s.IconTextColor[core]);
            out.text(indexedKey("Idle", core), idleText(s.Idle[core]));
            out.integer(indexedKey("TjMax", core), s.TjMax[core]);
        }
        if (s.nvidiaPresent || s.atiPresent)
            out.colour(indexedKey("IconTextColor", layout.gpuIcon), s.IconTextColor[layout.gpuIcon]);
        out.integer("IconShow", s.IconShow | s.iconShowAwaitingArea);
        out.integer("StartMinimized", s.StartMinimized);
        out.integer("TaskBar", s.TaskBar);
        out.integer("OnTop", s.OnTop);
        out.integer("TrayInfo", s.TrayInfo);
        out.integer("LogFile", s.LogFile);
        out.integer("LogInterval", s.LogInterval);
        out.integer("Alarm", s.Alarm);
        out.integer("Alarm1", s.Alarm1);
        out.integer("Alarm2", s.Alarm2);
        out.integer("CSV", s.CSV);
        out.text("AlarmFile", s.AlarmFile);
        out.flag("MinimizeOnClose", s.MinimizeOnClose);
        out.colour("CoreMax", s.CoreMax);
        out.flag("IconMax", s.IconMax || s.iconMaxAwaitingArea);
        out.integer("ClockMod", s.ClockMod);
        out.colour("GUIColor", s.GUIColor);
        out.colour("GUIMiniColor", s.GUIMiniColor);
        out.colour("GUIText", s.GUIText);
        out.colour("GUIMiniText", s.GUIMiniText);
        out.colour("GUINormHead", s.GUINormHead);
        out.colour("GUIMiniHead", s.GUIMiniHead);
        out.integer("NormHeading", s.NormHeading);
        out.integer("MiniHeading", s.MiniHeading);
        out.flag("TMLoad", s.TMLoad);
        out.integer("CustomGUI", s.CustomGUI);
        out.integer("CustomGUIMini", s.CustomGUIMini);
        out.text("CPUID", registerText(processor.signature));
        out.integer("Quality", s.Quality);
        if (layout.fontChoiceKeys) {
            out.integer("FontNumber", s.FontNumber);
            out.flag("Bold", s.Bold);
        }
        out.flag("ThreeDigit", s.ThreeDigit);
        out.integer("GPU", (s.atiPresent ? 2 : 0) | (s.nvidiaPresent ? 1 : 0));
        out.flag("Fahrenheit", s.Fahrenheit);
        if (layout.vidInfoKey && !processor.nehalemClass)
            out.integer("VIDInfo", s.VIDInfo);
    });

    if (const std::optional<std::string> configPath = pluginConfigPath(s.RivaFile))
        writePluginCalibration(*configPath, s, processor, layout, CalibrationOrder::PerCore);
    return result;
}

WriteResult SaveOnExit(const MonitorSettings& s, const std::string& iniPath,
                       const ExitState& exitState, hw::HardwareAccess& hardware,
                       const SettingsLayout& layout)
{
    const bool pinned = hardware.pinAnyCpu() >= 0;
    const uint32_t clockModulation = pinned ? msr::lowHalf(hardware.read(msr::IA32_CLOCK_MODULATION)) : 0;
    hardware.unpin();

    return rewrite(iniPath, [&](Writer& out) {
        if (exitState.windowTopLeft) {
            ScreenPoint position = *exitState.windowTopLeft;
            if (!s.MiniMode && exitState.composition == Composition::On) {
                position.x -= CompositionFrame;
                position.y -= CompositionFrame;
            }
            out.integer("WindowXY", packPosition(position));
        }
        const auto& anchor = exitState.anchorRect;
        if (anchor[0] != 0 || anchor[1] != 0 || anchor[2] != 0 || anchor[3] != 0)
            out.integer("AnchorXY", packPosition({anchor[0], anchor[1]}));
        out.flag("MiniMode", s.MiniMode);
        out.integer("IconShow", s.IconShow | s.iconShowAwaitingArea);
        out.integer("ClockMod", static_cast<int>(clockModulation));
        if (!layout.vidInfoKey)
            out.integer("InfoWindowIndex", s.InfoWindowIndex);
        if (layout.logFileNameKey)
            out.text("LogFileName", s.LogFileName);
    });
}

WriteResult SaveFont(const MonitorSettings& s, const std::string& iniPath)
{
    return rewrite(iniPath, [&](Writer& out) {
        out.integer("lfHeight", s.lfHeight);
        out.integer("lfWidth", s.lfWidth);
        out.integer("lfWeight", s.lfWeight);
        out.integer("lfItalic", s.lfItalic);
        out.integer("lfCharSet", s.lfCharSet);
        out.integer("lfPitchAndFamily", s.lfPitchAndFamily);
        out.text("lfFaceName", s.lfFaceName);
    });
}

} // namespace monitor
