#include "monitor/settings/window/SettingsDialog.h"

#include "dialog/BesideOwner.h"
#include "dialog/DisplayServer.h"
#include "dialog/MessageBoxStyle.h"
#include "dialog/StandardIds.h"
#include "registers/MsrIndex.h"
#include "monitor/lifecycle/ClockModulation.h"
#include "monitor/measure/LoadCounterThread.h"
#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/sampling/TemperatureFormula.h"
#include "monitor/controls/FeatureSwitches.h"
#include "monitor/settings/IconSelection.h"
#include "monitor/settings/ProcessorFacts.h"
#include "monitor/settings/SettingsFieldRules.h"
#include "monitor/settings/SettingsRules.h"
#include "monitor/settings/SettingsStore.h"
#include "monitor/settings/window/SettingsDialogTemplate.h"
#include "monitor/settings/window/SettingsTemplateManyCore.h"
#include "monitor/ui/desktop/DescribedFont.h"
#include "monitor/ui/main/MainDialog.h"
#include "monitor/ui/tray/NotificationIcons.h"
#include "platform/CFormat.h"

#include <QScreen>

#include <algorithm>

namespace monitor {

namespace {

using dialog::IDCANCEL;
using dialog::IDOK;

// Clock modulation values: the enable bit over the duty code.
constexpr uint32_t ModulationOn = 16;
// The duty a register without duty bits shows, and Defaults' duty (off).
constexpr int OpeningDutyWhenZero = 8;
constexpr int FourCoreDefaultDuty = 8;
constexpr int SixCoreDefaultDuty = 2;
// Logical processors whose APIC identifiers are listed.
constexpr int LastApicCpu = 7;
// The GPU alarm Defaults shows with a working GPU sensor.
constexpr int DefaultGpuAlarm = 100;

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The many-core window's columns: one for each core slot up to the last core.
const ManyCoreSettingsTemplate& manyCoreTemplateFor(MainDialog& owner)
{
    const hw::ProcessorInfo& info = owner.records().info;
    int count = owner.records().flavour.coreSlots;
    while (count > 0 && !info.corePresent(count - 1))
        --count;
    std::vector<std::string> labels;
    for (int slot = 0; slot < count; ++slot)
        labels.push_back(hw::coreLabel(info, slot));
    return settingsTemplateManyCore(labels);
}

const dialog::DialogTemplate& templateFor(MainDialog& owner)
{
    if (owner.records().flavour.showsEveryCore())
        return manyCoreTemplateFor(owner).window;
    return owner.records().flavour.coreSlots > 4 ? SettingsDialogTemplateSixCore : SettingsDialogTemplate;
}

std::vector<SettingsColumn> columnsFor(MainDialog& owner)
{
    if (owner.records().flavour.showsEveryCore())
        return manyCoreTemplateFor(owner).columns;
    const int count = std::min(owner.records().flavour.coreSlots, MaxSettingsColumns);
    return {SettingsColumns, SettingsColumns + count};
}

} // namespace

SettingsDialog::SettingsDialog(MainDialog& owner, SettingsDialogHooks hooks)
    : DialogWindow(templateFor(owner), &owner, dialog::WindowRole::Secondary),
      m_owner(owner),
      m_records(owner.records()),
      m_settings(owner.settings()),
      m_hooks(std::move(hooks)),
      m_columnIds(columnsFor(owner)),
      m_columns(static_cast<int>(m_columnIds.size()))
{
    setServices(owner.services());
    connectHandlers();
    open();
}

SettingsDialog::~SettingsDialog() = default;

bool SettingsDialog::corePresent(int core) const { return m_records.info.corePresent(core); }

bool SettingsDialog::gpuWorks() const { return m_settings.gpuPresent; }

int SettingsDialog::gpuIconBit() const { return m_records.layout.gpuIcon; }

bool SettingsDialog::iconShown() const
{
    return anyIconChosen(m_settings, m_records.layout) || m_settings.IconMax;
}

QString SettingsDialog::iconFontText() const
{
    if (m_records.layout.fontChoiceKeys)
        return QString::number(m_settings.FontNumber);
    return QString::fromStdString(qualityText(m_settings.Quality));
}

void SettingsDialog::connectHandlers()
{
    for (int core = 0; core < m_columns; ++core) {
        const SettingsColumn& column = this->column(core);
        onLeaveField(column.idle, [this, core] { checkIdleField(core); });
        onLeaveField(column.tjMax, [this, core] { checkTjMaxField(core); });
        onChanged(column.idle, [this] { enableApply(); });
        onChanged(column.tjMax, [this] { enableApply(); });
        onClicked(column.showIcon, [this, core] { toggleCoreIcon(core); });
        onClicked(column.colour, [this, core] { chooseColour(m_copy.iconColour[static_cast<size_t>(core)]); });
    }
    onLeaveField(IDC_LOG_SECONDS, [this] { checkLogInterval(); });
    onLeaveField(IDC_ALARM_CPU, [this] { checkCpuAlarm(); });
    onLeaveField(IDC_ALARM_GPU, [this] { checkGpuAlarm(); });
    for (int id : {IDC_LOG_SECONDS, IDC_ALARM_CPU, IDC_ALARM_GPU})
        onChanged(id, [this] { enableApply(); });

    onClicked(IDC_SET_TJMAX, [this] { toggleSetTjMax(); });
    onClicked(IDC_SHOW_GPU_ICON, [this] { toggleGpuIcon(); });
    onClicked(IDC_SHOW_MAX_ICON, [this] { toggleMaxIcon(); });
    onClicked(IDC_ALARM, [this] { toggleAlarm(); });
    onClicked(IDC_FAHRENHEIT, [this] { toggleFahrenheit(); });
    onClicked(IDC_THREE_DIGITS, [this] { toggleThreeDigits(); });
    onSpin(IDC_QUALITY_SPIN, [this](int delta) { stepIconFont(delta); });
    onSpin(IDC_DUTY_SPIN, [this](int delta) { stepDuty(delta); });

    onClicked(IDC_NORMAL_FILL, [this] { chooseColour(m_copy.guiColor); });
    onClicked(IDC_NORMAL_TEXT, [this] { chooseColour(m_copy.guiText); });
    onClicked(IDC_MINI_FILL, [this] { chooseColour(m_copy.guiMiniColor); });
    onClicked(IDC_MINI_TEXT, [this] { chooseColour(m_copy.guiMiniText); });
    onClicked(IDC_GPU_COLOUR, [this] { chooseColour(m_copy.gpuColour); });
    onClicked(IDC_MAX_COLOUR, [this] { chooseColour(m_copy.coreMax); });
    onClicked(IDC_NORMAL_HEADING, [this] { chooseHeadingColour(m_copy.normHead, m_copy.normHeading); });
    onClicked(IDC_MINI_HEADING, [this] { chooseHeadingColour(m_copy.miniHead, m_copy.miniHeading); });
    onClicked(IDC_FONTS, [this] { chooseIconFont(); });
    onClicked(IDC_ALARM_EXE, [this] { chooseAlarmFile(); });
    onClicked(IDC_RIVATUNER, [this] { installPlugin(); });

    onClicked(IDC_C1E, [this] { switchC1e(); });
    onClicked(IDC_EIST, [this] { switchEist(); });
    onClicked(IDC_DISABLE_TURBO, [this] { switchTurbo(); });
    onClicked(IDC_NVIDIA, [this] { switchNvidia(); });
    onClicked(IDC_ATI, [this] { switchAti(); });

    // Boxes that enable their dependent controls, and boxes that only
    // change what Apply will take.
    for (int id : {IDC_LOG_FILE, IDC_NORMAL_WINDOW, IDC_MINI_MODE, IDC_CLOCK_MODULATION})
        onClicked(id, [this] {
            enableDependents();
            enableApply();
        });
    for (int id : {IDC_ON_TOP, IDC_START_MINIMIZED, IDC_TASK_BAR, IDC_TRAY_INFO, IDC_EXCEL, IDC_MINIMIZE_ON_CLOSE,
                   IDC_TM_LOAD})
        onClicked(id, [this] { enableApply(); });

    onClicked(IDC_APPLY, [this] { apply(); });
    onClicked(IDC_DEFAULTS, [this] { restoreDefaults(); });
}

// --- opening ------------------------------------------------------------------

void SettingsDialog::open()
{
    const MonitorSettings& s = m_settings;
    fillCopy();

    setChecked(IDC_NORMAL_WINDOW, s.CustomGUI != 0);
    setChecked(IDC_MINI_MODE, s.CustomGUIMini != 0);
    setChecked(IDC_ALARM, s.Alarm != 0);
    setChecked(IDC_LOG_FILE, s.LogFile != 0);
    setChecked(IDC_EXCEL, s.CSV != 0);
    setChecked(IDC_FAHRENHEIT, s.Fahrenheit);
    setChecked(IDC_ON_TOP, s.OnTop != 0);
    setChecked(IDC_TASK_BAR, s.TaskBar != 0);
    setChecked(IDC_START_MINIMIZED, s.StartMinimized != 0);
    setChecked(IDC_TRAY_INFO, s.TrayInfo != 0);
    setChecked(IDC_MINIMIZE_ON_CLOSE, s.MinimizeOnClose);
    setChecked(IDC_TM_LOAD, s.TMLoad);
    setChecked(IDC_THREE_DIGITS, s.ThreeDigit);
    setChecked(IDC_SHOW_MAX_ICON, s.IconMax);
    setChecked(IDC_NVIDIA, s.nvidiaPresent);
    setChecked(IDC_ATI, s.atiPresent);
    setChecked(IDC_SHOW_GPU_ICON, gpuWorks() && iconChosen(s, m_records.layout, gpuIconBit()));
    setNumber(IDC_ALARM_CPU, s.Alarm1);
    setNumber(IDC_ALARM_GPU, s.Alarm2);
    setNumber(IDC_LOG_SECONDS, s.LogInterval);

    setEnabled(IDC_ALARM_CPU, s.Alarm != 0);
    setEnabled(IDC_ALARM_FILE, s.Alarm != 0);
    setEnabled(IDC_ALARM_GPU, s.Alarm != 0 && gpuWorks());
    setEnabled(IDC_RIVA_FILE, !m_copy.rivaFile.empty());
    // A Wayland compositor keeps no window above the others on a program's
    // request: the box says so instead of pretending (the stored choice
    // stays for X11 sessions).
    if (!dialog::staysOnTopAvailable()) {
        setEnabled(IDC_ON_TOP, false);
        if (QWidget* box = control(IDC_ON_TOP))
            box->setToolTip(QStringLiteral("Not available on Wayland: the compositor decides which window stays on top."));
    }

    for (int core = 0; core < m_columns; ++core) {
        const SettingsColumn& column = this->column(core);
        const bool present = corePresent(core);
        setChecked(column.showIcon, present && iconChosen(s, m_records.layout, core));
        setEnabled(column.idle, present);
        setEnabled(column.showIcon, present);
        setEnabled(column.colour, present);
    }

    setEnabled(IDC_NORMAL_FILL, s.CustomGUI != 0);
    setEnabled(IDC_NORMAL_TEXT, s.CustomGUI != 0);
    setEnabled(IDC_MINI_FILL, s.CustomGUIMini != 0);
    setEnabled(IDC_MINI_TEXT, s.CustomGUIMini != 0);

    if (s.OnTop != 0)
        setStaysOnTop(true);

    m_taskBarAtOpening = s.TaskBar;
    m_iconMaxAtOpening = s.IconMax;
    if (!iconShown()) {
        m_settings.TaskBar = 1;
        setChecked(IDC_TASK_BAR, true);
        setEnabled(IDC_TASK_BAR, false);
    }

    setEnabled(IDC_LOG_SECONDS, s.LogFile != 0);
    setEnabled(IDC_APPLY, false);

    readFeatureSwitches();
    readClockModulation();
    placeBesideOwner();
    showApicIds();

    setText(IDC_FONTS, fromUtf8(s.lfFaceName));
    setText(IDC_QUALITY_TEXT, iconFontText());
    if (!gpuWorks()) {
        setEnabled(IDC_SHOW_GPU_ICON, false);
        setEnabled(IDC_GPU_COLOUR, false);
    }
    // Parts that this program does not carry are shown, but cannot be used.
    setEnabled(IDC_NVIDIA, static_cast<bool>(m_hooks.createNvidiaSensor));
    setEnabled(IDC_ATI, static_cast<bool>(m_hooks.createAtiSensor));
    setEnabled(IDC_RIVATUNER, static_cast<bool>(m_hooks.installPlugin));
    writeControls();
}

void SettingsDialog::fillCopy()
{
    const MonitorSettings& s = m_settings;
    for (int core = 0; core < hw::MaxCoreSlots; ++core) {
        const auto i = static_cast<size_t>(core);
        m_copy.tjMax[i] = s.TjMax[i];
        m_copy.idle[i] = s.Idle[i];
        m_copy.iconColour[i] = s.IconTextColor[i];
    }
    m_copy.gpuColour = s.IconTextColor[static_cast<size_t>(gpuIconBit())];
    m_copy.guiColor = s.GUIColor;
    m_copy.guiMiniColor = s.GUIMiniColor;
    m_copy.guiText = s.GUIText;
    m_copy.guiMiniText = s.GUIMiniText;
    m_copy.normHead = s.GUINormHead;
    m_copy.miniHead = s.GUIMiniHead;
    m_copy.coreMax = s.CoreMax;
    m_copy.normHeading = s.NormHeading;
    m_copy.miniHeading = s.MiniHeading;
    m_copy.alarmFile = s.AlarmFile;
    m_copy.rivaFile = s.RivaFile;
    m_copy.logInterval = s.LogInterval;
    m_copy.alarm1 = s.Alarm1;
    m_copy.alarm2 = s.Alarm2;
}

void SettingsDialog::readFeatureSwitches()
{
    const FeatureReadout readout = ReadFeatureSwitches(m_records.access, m_records.info);
    setChecked(IDC_EIST, hw::isOn(readout.eist));
    setEnabled(IDC_EIST, !readout.eistLocked);
    setChecked(IDC_DISABLE_TURBO, hw::isOn(readout.turboDisabled));
    setChecked(IDC_C1E, hw::isOn(readout.c1e));
    // Every processor gets the state just read, so they agree from now on.
    SetC1E(m_records.access, m_records.info, readout.c1e);
}

void SettingsDialog::readClockModulation()
{
    m_clockModulationImage = msr::lowHalf(m_records.access.read(msr::IA32_CLOCK_MODULATION));
    const bool on = msr::clock_modulation::Enable.test(m_clockModulationImage);
    setChecked(IDC_CLOCK_MODULATION, on);
    m_copy.dutyCode = dutyCodeOf(m_clockModulationImage, OpeningDutyWhenZero);
    setEnabled(IDC_DUTY_TEXT, on);
}

void SettingsDialog::placeBesideOwner()
{
    const QRect main = m_owner.ownerRect();
    QSize screen;
    if (m_hooks.screenSize)
        screen = m_hooks.screenSize();
    else if (QScreen* where = m_owner.screen())
        screen = where->geometry().size();
    adjustSize();
    const QSize size = frameRect().size();
    int top = std::max(0, main.top() + main.height() / 2 - size.height() / 2);
    // Moved up as far as needed to keep its bottom above the margin.
    top = std::min(top, screen.height() - BottomMargin - size.height());
    const int gap = m_hooks.composition == Composition::On ? CompositionGap : 0;
    moveFrameTo(QPoint(dialog::besideOwnerLeft(main, screen.width(), size.width(), gap), top));
}

void SettingsDialog::showApicIds()
{
    hw::HardwareAccess& access = m_records.access;
    QStringList ids;
    access.forEachCpu(0, LastApicCpu, [&](int) {
        const uint32_t ebx = m_records.processor.cpuid(1).ebx;
        ids << QString::number(msr::cpuid::features_ebx::InitialApicId.get(ebx));
    });
    setText(IDC_APIC_ID, ids.join(QLatin1Char(' ')));
}

// --- exchange with the controls --------------------------------------------------

void SettingsDialog::readControls()
{
    for (int core = 0; core < m_columns; ++core) {
        if (!corePresent(core))
            continue;
        const SettingsColumn& column = this->column(core);
        const auto i = static_cast<size_t>(core);
        m_copy.idle[i] = idleTenthsFromField(text(column.idle).toStdString());
        m_copy.tjMax[i] = number(column.tjMax).value_or(m_copy.tjMax[i]);
    }
}

void SettingsDialog::writeControls()
{
    for (int core = 0; core < m_columns; ++core) {
        if (!corePresent(core))
            continue;
        const SettingsColumn& column = this->column(core);
        const auto i = static_cast<size_t>(core);
        setText(column.idle, QString::fromStdString(idleText(m_copy.idle[i])));
        setNumber(column.tjMax, m_copy.tjMax[i]);
    }
    setText(IDC_ALARM_FILE, fromUtf8(m_copy.alarmFile));
    setText(IDC_RIVA_FILE, fromUtf8(m_copy.rivaFile));
    setText(IDC_DUTY_TEXT, QString::fromStdString(dutyText(m_copy.dutyCode)));
}

// --- Apply, OK, Cancel, Defaults -----------------------------------------------------------

void SettingsDialog::apply()
{
    readControls();
    MonitorSettings& s = m_settings;
    // Everything the window shows is taken, also what Defaults put in the
    // fields and boxes that otherwise act at once.
    checkLogInterval();
    checkCpuAlarm();
    if (gpuWorks())
        checkGpuAlarm();
    s.Alarm = isChecked(IDC_ALARM) ? 1 : 0;
    if (isChecked(IDC_DISABLE_TURBO) != hw::isOn(ReadFeatureSwitches(m_records.access, m_records.info).turboDisabled))
        switchTurbo();

    for (int core = 0; core < m_columns; ++core) {
        if (!corePresent(core))
            continue;
        const auto i = static_cast<size_t>(core);
        s.TjMax[i] = limitTjMaxField(m_copy.tjMax[i]);
        m_records.info.tjMax[i] = s.TjMax[i]; // the sampling cycle's value
        s.Idle[i] = m_copy.idle[i];
        s.IconTextColor[i] = m_copy.iconColour[i];
    }
    s.IconTextColor[static_cast<size_t>(gpuIconBit())] = m_copy.gpuColour;
    s.GUIColor = m_copy.guiColor;
    s.GUIMiniColor = m_copy.guiMiniColor;
    s.GUIText = m_copy.guiText;
    s.GUIMiniText = m_copy.guiMiniText;
    s.GUINormHead = m_copy.normHead;
    s.GUIMiniHead = m_copy.miniHead;
    s.NormHeading = m_copy.normHeading;
    s.MiniHeading = m_copy.miniHeading;
    s.TaskBar = m_taskBarAtOpening = isChecked(IDC_TASK_BAR) ? 1 : 0;
    s.IconMax = m_iconMaxAtOpening = isChecked(IDC_SHOW_MAX_ICON);
    s.CoreMax = m_copy.coreMax;
    s.RivaFile = m_copy.rivaFile;

    s.ClockMod = m_copy.dutyCode + (isChecked(IDC_CLOCK_MODULATION) ? static_cast<int>(ModulationOn) : 0);
    WriteClockModulation(m_records.access, static_cast<uint32_t>(s.ClockMod));

    s.CustomGUI = isChecked(IDC_NORMAL_WINDOW) ? 1 : 0;
    s.CustomGUIMini = isChecked(IDC_MINI_MODE) ? 1 : 0;
    refreshBrushes(s);
    s.MinimizeOnClose = isChecked(IDC_MINIMIZE_ON_CLOSE);
    s.TMLoad = isChecked(IDC_TM_LOAD);
    s.LogFile = isChecked(IDC_LOG_FILE) ? 1 : 0;
    s.CSV = isChecked(IDC_EXCEL) ? 1 : 0;
    s.StartMinimized = isChecked(IDC_START_MINIMIZED) ? 1 : 0;
    s.TrayInfo = isChecked(IDC_TRAY_INFO) ? 1 : 0;
    markIconsForRedraw();
    s.AlarmFile = m_copy.alarmFile;

    if (s.TMLoad && !m_records.loadThread.running())
        m_records.loadThread = StartLoadCounterThread(m_records.processorOwner, m_records.shared,
                                                      m_records.measureFlavour.loadThreadPriority);

    s.OnTop = isChecked(IDC_ON_TOP) ? 1 : 0;
    setStaysOnTop(s.OnTop != 0);
    s.iconsDirty = true;

    setEnabled(IDC_APPLY, false);
    setFocus(IDOK);
    writeControls();
}

void SettingsDialog::onOk()
{
    apply();
    reportWriteFailure(SaveAll(m_settings, m_records.iniPath, processorFacts(m_records.info), m_records.layout));
    endDialog(IDOK);
}

void SettingsDialog::onEnter(int focusedControl)
{
    // Enter in a checked field corrects it and keeps the window open.
    if (isCheckedField(focusedControl))
        runLeaveFieldCheck(focusedControl);
}

void SettingsDialog::onCancel()
{
    m_settings.TaskBar = iconShown() ? m_taskBarAtOpening : (isChecked(IDC_TASK_BAR) ? 1 : 0);
    markIconsForRedraw();
    WriteClockModulation(m_records.access, m_clockModulationImage);
    endDialog(IDCANCEL);
}

void SettingsDialog::restoreDefaults()
{
    const MonitorSettings defaults = WithWindowDefaults(m_settings);
    for (int core = 0; core < m_columns; ++core) {
        if (!corePresent(core))
            continue;
        const auto i = static_cast<size_t>(core);
        m_copy.tjMax[i] = m_records.info.tjMaxDetected[i];
        m_copy.idle[i] = defaults.Idle[i];
    }
    setChecked(IDC_LOG_FILE, defaults.LogFile != 0);
    setChecked(IDC_TRAY_INFO, defaults.TrayInfo != 0);
    setChecked(IDC_START_MINIMIZED, defaults.StartMinimized != 0);
    setChecked(IDC_TASK_BAR, defaults.TaskBar != 0);
    setChecked(IDC_TM_LOAD, defaults.TMLoad);
    setChecked(IDC_MINIMIZE_ON_CLOSE, defaults.MinimizeOnClose);
    setChecked(IDC_ALARM, defaults.Alarm != 0);
    setChecked(IDC_ON_TOP, defaults.OnTop != 0);
    setChecked(IDC_EXCEL, defaults.CSV != 0);
    setChecked(IDC_NORMAL_WINDOW, defaults.CustomGUI != 0);
    setChecked(IDC_MINI_MODE, defaults.CustomGUIMini != 0);
    // Without any icon the task-bar entry stays: it is the only way back to
    // a minimised window.
    if (!iconShown())
        setChecked(IDC_TASK_BAR, true);
    m_copy.normHeading = defaults.NormHeading;
    m_copy.miniHeading = defaults.MiniHeading;
    if (!m_records.info.nehalemClass)
        setChecked(IDC_DISABLE_TURBO, false);

    // The alarms in the unit shown.
    const auto shown = [this](int celsius) { return m_settings.Fahrenheit ? celsiusToFahrenheit(celsius) : celsius; };
    m_copy.alarm1 = shown(m_records.info.tjMaxDetected[0]);
    m_copy.alarm2 = gpuWorks() ? shown(DefaultGpuAlarm) : 0;
    setNumber(IDC_ALARM_CPU, m_copy.alarm1);
    setNumber(IDC_ALARM_GPU, m_copy.alarm2);
    m_copy.alarmFile = defaults.AlarmFile;

    for (int id : {IDC_NORMAL_FILL, IDC_NORMAL_TEXT, IDC_MINI_FILL, IDC_MINI_TEXT, IDC_ALARM_CPU, IDC_ALARM_GPU,
                   IDC_LOG_SECONDS, IDC_ALARM_FILE})
        setEnabled(id, false);
    m_copy.logInterval = defaults.LogInterval;
    setNumber(IDC_LOG_SECONDS, m_copy.logInterval);
    enableApply();

    setChecked(IDC_CLOCK_MODULATION, false);
    m_copy.dutyCode = m_records.flavour.sixCoreRules ? SixCoreDefaultDuty : FourCoreDefaultDuty;
    setEnabled(IDC_DUTY_TEXT, false);
    WriteClockModulation(m_records.access, static_cast<uint32_t>(m_copy.dutyCode));

    writeControls();
    setStaysOnTop(false);
}

} // namespace monitor
