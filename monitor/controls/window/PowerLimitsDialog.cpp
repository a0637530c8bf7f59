#include "monitor/controls/window/PowerLimitsDialog.h"

#include "dialog/StandardIds.h"

#include <algorithm>

namespace monitor {

namespace {

using dialog::ControlKind;
using dialog::IDC_STATIC;
using dialog::IDOK;
using dialog::IDCANCEL;
namespace style = dialog::style;

// clang-format off
constexpr dialog::ControlSpec kControls[] = {
    // id             kind                        text                            x    y    w    h   style
    {IDC_STATIC,      ControlKind::GroupBox,      "Running Average Power Limits", 7,   7, 268, 110},
    {IDC_STATIC,      ControlKind::Label,         "Limit #1",                   140,  19,  44,   8, style::Center},
    {IDC_STATIC,      ControlKind::Label,         "Limit #2",                   205,  19,  44,   8, style::Center},
    {IDC_STATIC,      ControlKind::Label,         "Package Power Limit (W)",     14,  32, 120,   8},
    {IdLimit1,        ControlKind::Edit,          "",                           140,  30,  44,  12, style::Number | style::Center},
    {IdLimit2,        ControlKind::Edit,          "",                           205,  30,  44,  12, style::Number | style::Center},
    {IdEnable1,       ControlKind::CheckBox,      "Enable Limit",               140,  47,  62,  10},
    {IdEnable2,       ControlKind::CheckBox,      "Enable Limit",               205,  47,  64,  10},
    {IdClamp1,        ControlKind::CheckBox,      "Clamping Limit",             140,  60,  62,  10},
    {IdClamp2,        ControlKind::CheckBox,      "Clamping Limit",             205,  60,  64,  10},
    {IdLockPower,     ControlKind::CheckBox,      "Lock Power Limit Register",   14,  74, 120,  10},
    {IDC_STATIC,      ControlKind::Label,         "Package Current Limit (A)",   14,  91, 120,   8},
    {IdCurrentLimit,  ControlKind::Edit,          "",                           140,  89,  44,  12, style::Number | style::Center},
    {IdLockCurrent,   ControlKind::CheckBox,      "Lock Current Limit Register", 14, 103, 120,  10},
    {IDOK,            ControlKind::DefaultButton, "OK",                           7, 123,  50,  14},
    {IDCANCEL,        ControlKind::Button,        "Cancel",                     116, 123,  50,  14},
    {IdPowerApply,    ControlKind::Button,        "Apply",                      225, 123,  50,  14, style::Disabled},
};
// clang-format on

constexpr dialog::DialogTemplate kTemplate{
    PowerLimitsDialog::ResourceId, "Power Limits", 282, 144, 8, dialog::window::SystemMenu, kControls};

constexpr int PowerControls[] = {IdLimit1, IdLimit2, IdEnable1, IdEnable2, IdClamp1, IdClamp2, IdLockPower};
constexpr int CurrentControls[] = {IdCurrentLimit, IdLockCurrent};

} // namespace

PowerLimitsDialog::PowerLimitsDialog(hw::HardwareAccess& access, QWidget* parent)
    : DialogWindow(kTemplate, parent), m_registers(access)
{
    onLeaveField(IdLimit1, [this] { checkField(IdLimit1, m_values.limit1Watts); });
    onLeaveField(IdLimit2, [this] { checkField(IdLimit2, m_values.limit2Watts); });
    onLeaveField(IdCurrentLimit, [this] { checkField(IdCurrentLimit, m_values.currentAmps); });
    for (int id : {IdEnable1, IdEnable2, IdClamp1, IdClamp2, IdLockPower, IdLockCurrent})
        onClicked(id, [this] { setEnabled(IdPowerApply, true); });
    onClicked(IdPowerApply, [this] { applyPowerLimits(); });
    showPowerLimits();
}

void PowerLimitsDialog::showPowerLimits()
{
    m_values = m_registers.read();
    // A locked register cannot change until the processor is reset.
    for (int id : PowerControls)
        setEnabled(id, !m_values.powerLocked);
    for (int id : CurrentControls)
        setEnabled(id, !m_values.currentLocked);
    setEnabled(IdPowerApply, false);
    setNumber(IdLimit1, m_values.limit1Watts);
    setNumber(IdLimit2, m_values.limit2Watts);
    setChecked(IdEnable1, m_values.enable1);
    setChecked(IdEnable2, m_values.enable2);
    setChecked(IdClamp1, m_values.clamp1);
    setChecked(IdClamp2, m_values.clamp2);
    setChecked(IdLockPower, m_values.powerLocked);
    setNumber(IdCurrentLimit, m_values.currentAmps);
    setChecked(IdLockCurrent, m_values.currentLocked);
}

void PowerLimitsDialog::checkField(int id, int& value)
{
    const std::optional<int> typed = number(id);
    const int checked = typed ? std::min(*typed, m_registers.limitMax()) : value;
    if (!typed || *typed != checked || text(id) != QString::number(checked))
        setNumber(id, checked);
    if (checked != value) {
        value = checked;
        setEnabled(IdPowerApply, true);
    }
}

void PowerLimitsDialog::readControls()
{
    checkField(IdLimit1, m_values.limit1Watts);
    checkField(IdLimit2, m_values.limit2Watts);
    checkField(IdCurrentLimit, m_values.currentAmps);
    m_values.enable1 = isChecked(IdEnable1);
    m_values.enable2 = isChecked(IdEnable2);
    m_values.clamp1 = isChecked(IdClamp1);
    m_values.clamp2 = isChecked(IdClamp2);
    m_values.powerLocked = isChecked(IdLockPower);
    m_values.currentLocked = isChecked(IdLockCurrent);
}

void PowerLimitsDialog::applyPowerLimits()
{
    readControls();
    m_registers.write(m_values);
    showPowerLimits();
}

void PowerLimitsDialog::onOk()
{
    applyPowerLimits();
    endDialog(dialog::IDOK);
}

} // namespace monitor
