#include "monitor/gpu/window/NvidiaInfoDialog.h"

#include "monitor/gpu/window/GpuText.h"
#include "monitor/gpu/window/ResetCloseMenu.h"

#include <QContextMenuEvent>

namespace monitor {

namespace {

using dialog::ControlKind;
using dialog::IDC_STATIC;
namespace style = dialog::style;
using D = NvidiaInfoDialog;

constexpr uint32_t Value = style::ReadOnly | style::Right;

// clang-format off
constexpr dialog::ControlSpec Controls[] = {
    // id                   kind                    text              x    y    w    h   style
    {D::IDC_NV_NAME,        ControlKind::Edit,      "",              11,   8, 117,  12, style::ReadOnly | style::Center},
    {IDC_STATIC,            ControlKind::Label,     "Driver Version", 18,  25,  64,   8},
    {D::IDC_NV_DRIVER,      ControlKind::Edit,      "",              86,  23,  35,  12, Value},
    {IDC_STATIC,            ControlKind::Label,     "Link Width",    18,  36,  64,   8},
    {D::IDC_NV_LINK_WIDTH,  ControlKind::Edit,      "",              86,  34,  35,  12, Value},
    {IDC_STATIC,            ControlKind::Label,     "Memory",        18,  47,  64,   8},
    {D::IDC_NV_MEMORY,      ControlKind::Edit,      "",              86,  45,  35,  12, Value},
    {D::IDC_NV_MIN_GROUP,   ControlKind::GroupBox,  "",               5,  62, 129,  36},
    {D::IDC_NV_MIN,         ControlKind::Edit,      "",              87,  74,  35,  14, style::ReadOnly | style::Center},
    {D::IDC_NV_MIN_DATE,    ControlKind::Edit,      "",              17,  72,  49,  12, style::ReadOnly | style::Center},
    {D::IDC_NV_MIN_TIME,    ControlKind::Edit,      "",              17,  84,  49,  12, style::ReadOnly | style::Center},
    {D::IDC_NV_MAX_GROUP,   ControlKind::GroupBox,  "",               5, 101, 129,  36},
    {D::IDC_NV_MAX,         ControlKind::Edit,      "",              87, 114,  35,  14, style::ReadOnly | style::Center},
    {D::IDC_NV_MAX_DATE,    ControlKind::Edit,      "",              17, 111,  49,  12, style::ReadOnly | style::Center},
    {D::IDC_NV_MAX_TIME,    ControlKind::Edit,      "",              17, 123,  49,  12, style::ReadOnly | style::Center},
    {D::IDC_NV_GPU_BUTTON,  ControlKind::Button,    "GPU 1",         86, 142,  48,  14},
};
// clang-format on

constexpr dialog::DialogTemplate Template{157, "NVIDIA Information", 140, 160, 8, dialog::window::SystemMenu,
                                          Controls};

} // namespace

NvidiaInfoDialog::NvidiaInfoDialog(NvidiaSensor& sensor, MonitorSettings& settings, const QFont& mainFont,
                                   QWidget* parent)
    : DialogWindow(Template, parent), m_sensor(sensor), m_settings(settings)
{
    setModal(false);
    control(IDC_NV_MIN)->setFont(mainFont);
    control(IDC_NV_MAX)->setFont(mainFont);
    setText(IDC_NV_MIN_GROUP, withUnitCaption("Minimum", settings));
    setText(IDC_NV_MAX_GROUP, withUnitCaption("Maximum", settings));
    if (m_sensor.gpuCount() < 2)
        setText(IDC_NV_GPU_BUTTON, QStringLiteral("OK"));
    setText(IDC_NV_DRIVER, QString::asprintf("%.2f", m_sensor.driverVersion() * 0.01));
    fillNameAndMemory();
    refresh();
    onClicked(IDC_NV_GPU_BUTTON, [this] { onNextGpu(); });
    setTimer(RefreshTimer, settings.RefreshInterval);
}

void NvidiaInfoDialog::fillNameAndMemory()
{
    setText(IDC_NV_NAME, QString::fromStdString(m_sensor.fullName(m_shownGpu)));
    setText(IDC_NV_MEMORY, QStringLiteral("%1 MB").arg(m_sensor.frameBufferKilobytes(m_shownGpu) >> 10));
}

void NvidiaInfoDialog::refresh()
{
    setText(IDC_NV_LINK_WIDTH, QStringLiteral("x%1").arg(m_sensor.linkWidth(m_shownGpu)));
    if (m_shownGpu >= m_sensor.gpuCount() || m_sensor.minTemp(m_shownGpu) == NvidiaSensor::NotRead)
        return;
    const auto shown = [this](unsigned celsius) {
        return QString::number(gpuDisplayTemperature(m_settings, static_cast<int>(celsius)));
    };
    setText(IDC_NV_MIN, shown(m_sensor.minTemp(m_shownGpu)));
    setText(IDC_NV_MAX, shown(m_sensor.maxTemp(m_shownGpu)));
    setText(IDC_NV_MIN_DATE, gpuDateText(m_sensor.minTime(m_shownGpu)));
    setText(IDC_NV_MIN_TIME, gpuClockText(m_sensor.minTime(m_shownGpu)));
    setText(IDC_NV_MAX_DATE, gpuDateText(m_sensor.maxTime(m_shownGpu)));
    setText(IDC_NV_MAX_TIME, gpuClockText(m_sensor.maxTime(m_shownGpu)));
}

void NvidiaInfoDialog::onNextGpu()
{
    if (m_sensor.gpuCount() <= 1) {
        closeWindow();
        return;
    }
    m_shownGpu = (m_shownGpu + 1) % m_sensor.gpuCount();
    setText(IDC_NV_GPU_BUTTON, QStringLiteral("GPU %1").arg(m_shownGpu + 1));
    fillNameAndMemory();
    refresh();
}

void NvidiaInfoDialog::emptyExtremes()
{
    for (int id : {IDC_NV_MIN, IDC_NV_MIN_DATE, IDC_NV_MIN_TIME, IDC_NV_MAX, IDC_NV_MAX_DATE, IDC_NV_MAX_TIME})
        setText(id, QString());
}

void NvidiaInfoDialog::onTimer(int id)
{
    if (id == RefreshTimer)
        refresh();
}

void NvidiaInfoDialog::contextMenuEvent(QContextMenuEvent* event)
{
    if (const int command = runResetCloseMenu(*this, event->globalPos(), ID_NV_RESET, ID_NV_CLOSE))
        runCommand(command);
}

void NvidiaInfoDialog::runCommand(int command)
{
    if (command == ID_NV_RESET) {
        m_sensor.ResetStatistics();
        emptyExtremes();
    } else if (command == ID_NV_CLOSE) {
        closeWindow();
    }
}

void NvidiaInfoDialog::closeWindow()
{
    if (m_closing)
        return;
    m_closing = true;
    killTimer(RefreshTimer);
    hide();
    deleteLater();
}

} // namespace monitor
