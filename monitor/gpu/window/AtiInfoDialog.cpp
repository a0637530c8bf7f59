#include "monitor/gpu/window/AtiInfoDialog.h"

#include "monitor/gpu/window/GpuText.h"
#include "monitor/gpu/window/ResetCloseMenu.h"

#include <QContextMenuEvent>

#include <algorithm>

namespace monitor {

namespace {

using dialog::ControlKind;
using dialog::IDC_STATIC;
namespace style = dialog::style;
using D = AtiInfoDialog;

constexpr uint32_t Value = style::ReadOnly | style::Center;

// clang-format off
constexpr dialog::ControlSpec Controls[] = {
    // id                          kind                    text                          x    y    w    h   style
    {D::IDC_ATI_NAME,              ControlKind::Edit,      "",                           7,   4, 133,  12, Value},
    {D::IDC_ATI_MIN_GROUP,         ControlKind::GroupBox,  "",                           7,  18, 133,  40},
    {D::IDC_ATI_MIN_DATE,          ControlKind::Edit,      "",                          21,  28,  47,  12, Value},
    {D::IDC_ATI_MIN_TIME,          ControlKind::Edit,      "",                          21,  43,  47,  12, Value},
    {D::IDC_ATI_MIN,               ControlKind::Edit,      "",                          79,  33,  47,  16, Value},
    {D::IDC_ATI_MAX_GROUP,         ControlKind::GroupBox,  "",                           7,  61, 133,  40},
    {D::IDC_ATI_MAX_DATE,          ControlKind::Edit,      "",                          21,  72,  47,  12, Value},
    {D::IDC_ATI_MAX_TIME,          ControlKind::Edit,      "",                          21,  86,  47,  12, Value},
    {D::IDC_ATI_MAX,               ControlKind::Edit,      "",                          79,  76,  47,  16, Value},
    {D::IDC_ATI_TEMPERATURE_LABEL, ControlKind::Label,     "",                           7, 106,  83,  11},
    {D::IDC_ATI_TEMPERATURE,       ControlKind::Edit,      "",                          94, 105,  46,  12, Value},
    {IDC_STATIC,                   ControlKind::Label,     "Core Clock",                 7, 122,  83,   8},
    {D::IDC_ATI_CORE_CLOCK,        ControlKind::Edit,      "",                          94, 120,  46,  12, Value},
    {IDC_STATIC,                   ControlKind::Label,     "Memory Clock",               7, 137,  83,   8},
    {D::IDC_ATI_MEMORY_CLOCK,      ControlKind::Edit,      "",                          94, 135,  46,  12, Value},
    {IDC_STATIC,                   ControlKind::Label,     "VID Voltage",                7, 152,  83,   8},
    {D::IDC_ATI_VOLTAGE,           ControlKind::Edit,      "",                          94, 150,  46,  12, Value},
    {IDC_STATIC,                   ControlKind::Label,     "PCI-E Link Width",           7, 167,  83,   8},
    {D::IDC_ATI_LINK_WIDTH,        ControlKind::Edit,      "",                          94, 165,  46,  12, Value},
    {IDC_STATIC,                   ControlKind::Label,     "Read Sensor Interval",       7, 182,  83,   8},
    {D::IDC_ATI_INTERVAL,          ControlKind::Edit,      "",                          94, 180,  46,  12, style::Number | style::Center},
    {D::IDC_ATI_DISABLE,           ControlKind::CheckBox,  "Disable GPU Sensor Reading", 7, 198, 132,  11},
    {D::IDC_ATI_GPU_BUTTON,        ControlKind::Button,    "GPU 1",                     91, 216,  49,  15},
};
// clang-format on

constexpr dialog::DialogTemplate Template{158, "ATI Info", 147, 234, 8, dialog::window::SystemMenu, Controls};

bool hasBit(uint32_t mask, int adapter) { return adapter >= 0 && adapter < 32 && (mask & (1u << adapter)) != 0; }

} // namespace

QString AtiInfoDialog::shownName(const std::string& name)
{
    return QString::fromStdString(name).remove(QStringLiteral(" Series"));
}

AtiInfoDialog::AtiInfoDialog(AtiSensor& sensor, MonitorSettings& settings, const QFont& mainFont,
                             std::function<void()> saveKeys, QWidget* parent)
    : DialogWindow(Template, parent), m_sensor(sensor), m_settings(settings), m_saveKeys(std::move(saveKeys))
{
    setModal(false);
    for (int i = 0; i < m_sensor.adapterCount(); ++i)
        if (hasBit(m_sensor.readMask(), i)) {
            m_adapter = i;
            break;
        }
    setText(IDC_ATI_NAME, shownName(m_sensor.adapterName(m_adapter)));
    control(IDC_ATI_MIN)->setFont(mainFont);
    control(IDC_ATI_MAX)->setFont(mainFont);
    setCaptions();
    if (m_sensor.adapterCount() < 2)
        setText(IDC_ATI_GPU_BUTTON, QStringLiteral("OK"));
    setNumber(IDC_ATI_INTERVAL, m_settings.PollInterval);
    setEnabled(IDC_ATI_INTERVAL, m_settings.DisableSensor == 0);
    setChecked(IDC_ATI_DISABLE, m_settings.DisableSensor != 0);
    m_fahrenheitShown = m_settings.Fahrenheit;
    refresh();

    onClicked(IDC_ATI_GPU_BUTTON, [this] { onNextGpu(); });
    onClicked(IDC_ATI_DISABLE, [this] { onDisableToggled(); });
    onLeaveField(IDC_ATI_INTERVAL, [this] { checkInterval(); });
    setTimer(RefreshTimer, RefreshMs);
}

void AtiInfoDialog::setCaptions()
{
    setText(IDC_ATI_MIN_GROUP, withUnitCaption("Minimum", m_settings));
    setText(IDC_ATI_MAX_GROUP, withUnitCaption("Maximum", m_settings));
    setText(IDC_ATI_TEMPERATURE_LABEL, withUnitCaption("Temperature", m_settings));
}

bool AtiInfoDialog::due() const
{
    const int interval = std::max(1, m_settings.PollInterval);
    return interval == 1 || m_readNow || secondsOfDay(m_sensor.clock()()) % interval == 0;
}

void AtiInfoDialog::refresh()
{
    if (m_settings.DisableSensor != 0 || !due())
        return;
    if (m_settings.Fahrenheit != m_fahrenheitShown) {
        m_fahrenheitShown = m_settings.Fahrenheit;
        setCaptions();
    }
    emptyActivity();
    const auto shown = [this](int celsius) { return QString::number(gpuDisplayTemperature(m_settings, celsius)); };
    if (m_sensor.minTemp(m_adapter) != AtiSensor::NotRead) {
        setText(IDC_ATI_MIN, shown(m_sensor.minTemp(m_adapter)));
        setText(IDC_ATI_MAX, shown(m_sensor.maxTemp(m_adapter)));
        setText(IDC_ATI_MIN_DATE, gpuDateText(m_sensor.minTime(m_adapter)));
        setText(IDC_ATI_MIN_TIME, gpuClockText(m_sensor.minTime(m_adapter)));
        setText(IDC_ATI_MAX_DATE, gpuDateText(m_sensor.maxTime(m_adapter)));
        setText(IDC_ATI_MAX_TIME, gpuClockText(m_sensor.maxTime(m_adapter)));
    }
    const int last = m_sensor.lastTemp(m_adapter);
    setText(IDC_ATI_TEMPERATURE, last == AtiSensor::NoTemperature ? QString() : shown(last));
    if (last == AtiSensor::NoTemperature)
        return;
    adl::PmActivity activity;
    if (m_sensor.currentActivity(m_adapter, activity)) {
        setText(IDC_ATI_CORE_CLOCK, QStringLiteral("%1 MHz").arg(activity.engineClock / 100));
        setText(IDC_ATI_MEMORY_CLOCK, QStringLiteral("%1 MHz").arg(activity.memoryClock / 100));
        setText(IDC_ATI_VOLTAGE, QString::asprintf("%.3f V", activity.vddc * 0.001));
        setText(IDC_ATI_LINK_WIDTH, QStringLiteral("x %1").arg(activity.currentBusLanes));
    }
    m_readNow = false;
}

void AtiInfoDialog::emptyActivity()
{
    for (int id : {IDC_ATI_CORE_CLOCK, IDC_ATI_MEMORY_CLOCK, IDC_ATI_VOLTAGE, IDC_ATI_LINK_WIDTH})
        setText(id, QString());
}

void AtiInfoDialog::emptyReadings()
{
    for (int id : {IDC_ATI_MIN, IDC_ATI_MAX, IDC_ATI_MIN_DATE, IDC_ATI_MIN_TIME, IDC_ATI_MAX_DATE, IDC_ATI_MAX_TIME,
                   IDC_ATI_TEMPERATURE})
        setText(id, QString());
    emptyActivity();
}

void AtiInfoDialog::onNextGpu()
{
    const int count = m_sensor.adapterCount();
    if (count <= 1) {
        closeWindow();
        return;
    }
    const int start = m_adapter;
    const int numberBefore = m_gpuNumber;
    ++m_gpuNumber;
    do {
        if (++m_adapter >= count) {
            m_adapter = 0;
            m_gpuNumber = 1;
        }
    } while (!hasBit(m_sensor.readMask(), m_adapter) && m_adapter != start);
    setText(IDC_ATI_GPU_BUTTON, QStringLiteral("GPU %1").arg(m_gpuNumber));
    setText(IDC_ATI_NAME, shownName(m_sensor.adapterName(m_adapter)));
    if (m_gpuNumber != numberBefore)
        emptyReadings();
    m_sensor.setReadNow();
    m_readNow = true;
    refresh();
}

void AtiInfoDialog::onDisableToggled()
{
    const bool disabled = isChecked(IDC_ATI_DISABLE);
    m_settings.DisableSensor = disabled ? 1 : 0;
    setEnabled(IDC_ATI_INTERVAL, !disabled);
    if (disabled) {
        for (int id : {IDC_ATI_TEMPERATURE, IDC_ATI_CORE_CLOCK, IDC_ATI_MEMORY_CLOCK, IDC_ATI_VOLTAGE,
                       IDC_ATI_LINK_WIDTH})
            setText(id, QString());
    } else {
        m_readNow = true;
        m_sensor.setReadNow();
    }
}

void AtiInfoDialog::checkInterval()
{
    const int value = std::clamp(number(IDC_ATI_INTERVAL).value_or(0), 1, LongestInterval);
    setNumber(IDC_ATI_INTERVAL, value);
    m_settings.PollInterval = value;
}

void AtiInfoDialog::onTimer(int id)
{
    if (id == RefreshTimer)
        refresh();
}

void AtiInfoDialog::contextMenuEvent(QContextMenuEvent* event)
{
    if (const int command = runResetCloseMenu(*this, event->globalPos(), ID_ATI_RESET, ID_ATI_CLOSE))
        runCommand(command);
}

void AtiInfoDialog::runCommand(int command)
{
    if (command == ID_ATI_RESET) {
        m_sensor.ResetStatistics();
        emptyReadings();
        m_readNow = true;
    } else if (command == ID_ATI_CLOSE) {
        closeWindow();
    }
}

void AtiInfoDialog::closeWindow()
{
    if (m_closing)
        return;
    m_closing = true;
    killTimer(RefreshTimer);
    // A value typed but not yet checked counts, as when the field loses the focus.
    if (focusedId() == IDC_ATI_INTERVAL)
        checkInterval();
    if (m_saveKeys)
        m_saveKeys();
    hide();
    deleteLater();
}

} // namespace monitor
