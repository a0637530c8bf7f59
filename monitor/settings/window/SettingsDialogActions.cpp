#include "monitor/settings/window/SettingsDialog.h"

// The settings window's immediate actions: the checks made when a field is
// left, and the boxes, spins and choosers that act before Apply.

#include "dialog/MessageBoxStyle.h"
#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/controls/FeatureSwitches.h"
#include "monitor/settings/IconSelection.h"
#include "monitor/settings/SettingsFieldRules.h"
#include "monitor/settings/SettingsRules.h"
#include "monitor/settings/SettingsStore.h"
#include "monitor/settings/window/SettingsDialogTemplate.h"
#include "monitor/ui/desktop/DescribedFont.h"
#include "monitor/ui/main/MainDialog.h"
#include "monitor/ui/tray/NotificationIcons.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace monitor {

namespace {

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The program files an alarm must not start: the monitor itself.
bool isMonitorProgram(const QString& path, const hw::BuildFlavour& flavour)
{
    static const QStringList Programs = {QStringLiteral("Ostrel"), QStringLiteral("OstrelHX"),
                                         QStringLiteral("Ostrel.exe"), QStringLiteral("OstrelHX.exe")};
    // The many-core build refuses itself too.
    static const QStringList EveryProgram =
        Programs + QStringList{QStringLiteral("OstrelXL"), QStringLiteral("OstrelXL.exe")};
    const QStringList& refused = flavour.showsEveryCore() ? EveryProgram : Programs;
    const QFileInfo file(path);
    if (refused.contains(file.fileName()))
        return true;
    const QString target = file.canonicalFilePath();
    return !target.isEmpty() && refused.contains(QFileInfo(target).fileName());
}

} // namespace

// --- leaving a field ----------------------------------------------------------------

void SettingsDialog::checkIdleField(int core)
{
    readControls();
    const int tenths = m_copy.idle[static_cast<size_t>(core)];
    setText(column(core).idle, QString::fromStdString(idleText(tenths)));
}

// A number beyond a field's range is corrected like any other; a text that is
// no number gives the field's value back.
void SettingsDialog::checkTjMaxField(int core)
{
    const int id = column(core).tjMax;
    int& value = m_copy.tjMax[static_cast<size_t>(core)];
    value = limitTjMaxField(number(id).value_or(value));
    setNumber(id, value);
}

void SettingsDialog::checkLogInterval()
{
    enableApply();
    m_copy.logInterval = nearestDayDivisor(number(IDC_LOG_SECONDS).value_or(m_copy.logInterval));
    setNumber(IDC_LOG_SECONDS, m_copy.logInterval);
    m_settings.LogInterval = m_copy.logInterval;
}

void SettingsDialog::checkCpuAlarm()
{
    m_copy.alarm1 = limitCpuAlarmField(number(IDC_ALARM_CPU).value_or(m_copy.alarm1), m_records.layout,
                                       m_settings.Fahrenheit);
    setNumber(IDC_ALARM_CPU, m_copy.alarm1);
    m_settings.Alarm1 = m_copy.alarm1;
}

void SettingsDialog::checkGpuAlarm()
{
    m_copy.alarm2 = limitGpuAlarmField(number(IDC_ALARM_GPU).value_or(m_copy.alarm2), m_records.layout,
                                       m_settings.Fahrenheit);
    setNumber(IDC_ALARM_GPU, m_copy.alarm2);
    m_settings.Alarm2 = m_copy.alarm2;
}

bool SettingsDialog::isCheckedField(int id) const
{
    if (id == IDC_LOG_SECONDS || id == IDC_ALARM_CPU || id == IDC_ALARM_GPU)
        return true;
    for (int core = 0; core < m_columns; ++core)
        if (id == column(core).idle || id == column(core).tjMax)
            return true;
    return false;
}

// --- immediate actions ----------------------------------------------------------------

void SettingsDialog::enableApply() { setEnabled(IDC_APPLY, true); }

void SettingsDialog::markIconsForRedraw()
{
    if (m_hooks.icons)
        m_hooks.icons->markForRedraw();
}

void SettingsDialog::enableDependents()
{
    const bool normal = isChecked(IDC_NORMAL_WINDOW);
    const bool mini = isChecked(IDC_MINI_MODE);
    setEnabled(IDC_NORMAL_FILL, normal);
    setEnabled(IDC_NORMAL_TEXT, normal);
    setEnabled(IDC_MINI_FILL, mini);
    setEnabled(IDC_MINI_TEXT, mini);
    setEnabled(IDC_LOG_SECONDS, isChecked(IDC_LOG_FILE));
    setEnabled(IDC_DUTY_TEXT, isChecked(IDC_CLOCK_MODULATION));
}

void SettingsDialog::toggleSetTjMax()
{
    const bool on = isChecked(IDC_SET_TJMAX);
    for (int core = 0; core < m_columns; ++core)
        if (corePresent(core))
            setEnabled(column(core).tjMax, on);
}

void SettingsDialog::toggleCoreIcon(int core)
{
    readControls();
    const int id = column(core).showIcon;
    bool shown = false;
    if (m_hooks.icons) {
        if (isChecked(id))
            shown = m_hooks.icons->showIcon(m_owner, core);
        else
            m_hooks.icons->hideIcon(m_owner, core);
    } else {
        chooseIcon(m_settings, m_records.layout, core, false);
    }
    setChecked(id, shown);
    updateTaskBarRule();
}

void SettingsDialog::toggleGpuIcon()
{
    readControls();
    bool shown = false;
    if (m_hooks.icons) {
        if (isChecked(IDC_SHOW_GPU_ICON))
            shown = m_hooks.icons->showIcon(m_owner, gpuIconBit());
        else
            m_hooks.icons->hideIcon(m_owner, gpuIconBit());
    } else {
        chooseIcon(m_settings, m_records.layout, gpuIconBit(), false);
    }
    setChecked(IDC_SHOW_GPU_ICON, shown);
    updateTaskBarRule();
}

void SettingsDialog::toggleMaxIcon()
{
    readControls();
    if (m_hooks.icons)
        m_hooks.icons->setMaxIconShown(m_owner, isChecked(IDC_SHOW_MAX_ICON));
    else
        m_settings.IconMax = false;
    setChecked(IDC_SHOW_MAX_ICON, m_settings.IconMax);
    updateTaskBarRule();
}

void SettingsDialog::updateTaskBarRule()
{
    // Without any icon the task-bar entry is the only way back to the window.
    if (iconShown()) {
        setEnabled(IDC_TASK_BAR, true);
    } else {
        setEnabled(IDC_TASK_BAR, false);
        m_settings.TaskBar = 1;
        setChecked(IDC_TASK_BAR, true);
    }
}

void SettingsDialog::toggleAlarm()
{
    readControls();
    const bool on = isChecked(IDC_ALARM);
    m_settings.Alarm = on ? 1 : 0;
    setEnabled(IDC_ALARM_CPU, on);
    setEnabled(IDC_ALARM_FILE, on);
    setEnabled(IDC_ALARM_GPU, on && gpuWorks());
    enableApply();
}

void SettingsDialog::toggleFahrenheit()
{
    readControls();
    m_settings.Fahrenheit = isChecked(IDC_FAHRENHEIT);
    m_settings.unitText = unitTextFor(m_settings.Fahrenheit, m_settings.DegreeSymbolString);
    m_owner.followTemperatureUnit();
}

void SettingsDialog::toggleThreeDigits()
{
    readControls();
    m_settings.ThreeDigit = isChecked(IDC_THREE_DIGITS);
    markIconsForRedraw();
}

void SettingsDialog::stepIconFont(int delta)
{
    readControls();
    if (m_records.layout.fontChoiceKeys)
        m_settings.FontNumber = stepFontNumber(m_settings.FontNumber, delta);
    else
        m_settings.Quality = stepQuality(m_settings.Quality, delta);
    m_settings.iconFont = iconFontFrom(m_settings);
    setText(IDC_QUALITY_TEXT, iconFontText());
    markIconsForRedraw();
}

void SettingsDialog::stepDuty(int delta)
{
    readControls();
    m_copy.dutyCode = stepDutyCode(m_copy.dutyCode, delta);
    setText(IDC_DUTY_TEXT, QString::fromStdString(dutyText(m_copy.dutyCode)));
    enableApply();
}

void SettingsDialog::chooseColour(Colour& colour)
{
    readControls();
    if (const std::optional<QColor> chosen = services().chooseColor(this, colourFromSetting(colour))) {
        colour = settingFromColour(*chosen);
        enableApply();
    }
}

void SettingsDialog::chooseHeadingColour(Colour& colour, int& headingFlag)
{
    readControls();
    const std::optional<QColor> chosen = services().chooseColor(this, colourFromSetting(colour));
    if (chosen)
        colour = settingFromColour(*chosen);
    headingFlag = chosen ? 1 : 0;
    enableApply();
}

void SettingsDialog::chooseIconFont()
{
    readControls();
    const std::optional<QFont> chosen = services().chooseFont(this, fontFromDescription(m_settings.iconFont));
    if (!chosen)
        return;
    adoptChosenFont(m_settings, descriptionFromFont(*chosen));
    markIconsForRedraw();
    m_owner.update();
    setText(IDC_FONTS, fromUtf8(m_settings.lfFaceName));
    reportWriteFailure(SaveFont(m_settings, m_records.iniPath));
}

void SettingsDialog::reportWriteFailure(const WriteResult& result)
{
    if (result == WriteResult::Written)
        return;
    QString problem = fromUtf8(result.problem.empty() ? "settings file " + m_records.iniPath + " not saved"
                                                      : result.problem);
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(problem));
    problem[0] = problem[0].toUpper();
    messageBox(QStringLiteral("The settings could not be saved.\n\n%1").arg(problem), QStringLiteral("Settings"),
               dialog::MB_OK | dialog::MB_ICONERROR);
}

void SettingsDialog::chooseAlarmFile()
{
    readControls();
    dialog::FileDialogRequest request;
    request.title = QStringLiteral("Open File to Run on Alarm");
    request.filter = QStringLiteral("EXE Files (*.exe)|*.exe|BAT Files (*.bat)|*.bat||");
    request.existence = dialog::FileExistence::MustExist;
    const std::optional<QString> chosen = services().chooseFile(this, request);
    m_copy.alarmFile.clear();
    if (chosen && isMonitorProgram(*chosen, m_records.flavour)) {
        const char* message = m_records.flavour.sixCoreRules
                                  ? "The alarm can not be set to run a new instance of Ostrel.\n\n"
                                  : "The alarm can not be set to run a new instance of Ostrel.\n";
        messageBox(QString::fromLatin1(message), QString(), dialog::MB_OK | dialog::MB_ICONSTOP);
    } else if (chosen) {
        m_copy.alarmFile = chosen->toStdString();
    }
    setText(IDC_ALARM_FILE, fromUtf8(m_copy.alarmFile));
    enableApply();
}

void SettingsDialog::installPlugin()
{
    readControls();
    if (!m_hooks.installPlugin)
        return;
    if (const std::optional<std::string> path = m_hooks.installPlugin(*this, m_copy.rivaFile))
        m_copy.rivaFile = *path;
    setText(IDC_RIVA_FILE, fromUtf8(m_copy.rivaFile));
    setEnabled(IDC_RIVA_FILE, !m_copy.rivaFile.empty());
}

void SettingsDialog::switchC1e()
{
    readControls();
    SetC1E(m_records.access, m_records.info, hw::switchState(isChecked(IDC_C1E)));
    writeControls();
}

void SettingsDialog::switchEist()
{
    readControls();
    const EistResult result = SetEist(m_records.access, hw::switchState(isChecked(IDC_EIST)));
    setChecked(IDC_EIST, hw::isOn(result.state));
    setEnabled(IDC_EIST, !result.locked);
}

void SettingsDialog::switchTurbo()
{
    readControls();
    const SwitchState state = SetTurboDisabled(m_records.access, hw::switchState(isChecked(IDC_DISABLE_TURBO)));
    setChecked(IDC_DISABLE_TURBO, hw::isOn(state));
}

void SettingsDialog::switchNvidia()
{
    readControls();
    const bool ticked = isChecked(IDC_NVIDIA);
    if (!ticked) {
        messageBox(QStringLiteral("Restart to disable GPU monitoring."), QString(), dialog::MB_OK);
    } else if (m_hooks.createNvidiaSensor) {
        if (m_hooks.createNvidiaSensor()) {
            m_settings.gpuPresent = true;
            setEnabled(IDC_GPU_COLOUR, true);
            setEnabled(IDC_SHOW_GPU_ICON, true);
        } else {
            setChecked(IDC_NVIDIA, false);
            setEnabled(IDC_NVIDIA, false);
        }
    }
    m_settings.nvidiaPresent = isChecked(IDC_NVIDIA);
}

void SettingsDialog::switchAti()
{
    readControls();
    const bool ticked = isChecked(IDC_ATI);
    if (!ticked) {
        messageBox(QStringLiteral("Restart to disable GPU monitoring."), QString(), dialog::MB_OK);
    } else if (m_hooks.createAtiSensor) {
        if (m_hooks.createAtiSensor()) {
            m_settings.gpuPresent = true;
            setEnabled(IDC_GPU_COLOUR, true);
            setEnabled(IDC_SHOW_GPU_ICON, true);
        } else {
            setChecked(IDC_ATI, false);
            setEnabled(IDC_ATI, false);
        }
    }
    m_settings.atiPresent = isChecked(IDC_ATI);
}

} // namespace monitor
