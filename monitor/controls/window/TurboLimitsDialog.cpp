#include "monitor/controls/window/TurboLimitsDialog.h"

#include "dialog/StandardIds.h"
#include "monitor/settings/TurboLimitsStore.h"

#include <cstdio>

namespace monitor {

namespace {

using dialog::ControlKind;
using dialog::IDC_STATIC;
using dialog::IDOK;
using dialog::IDCANCEL;
namespace style = dialog::style;

// clang-format off
constexpr dialog::ControlSpec kControls[] = {
    // id             kind                       text                                x    y    w    h   style
    {IDC_STATIC,      ControlKind::GroupBox,     "Maximum Turbo Boost Multipliers",  7,   7, 186,  60},
    {IDC_STATIC,      ControlKind::Label,        "A c t i v e  C o r e s",          14,  18, 172,   8, style::Center},
    {IDC_STATIC,      ControlKind::Label,        "1",                               14,  30,  27,   8, style::Center},
    {IDC_STATIC,      ControlKind::Label,        "2",                               43,  30,  27,   8, style::Center},
    {IDC_STATIC,      ControlKind::Label,        "3",                               72,  30,  27,   8, style::Center},
    {IDC_STATIC,      ControlKind::Label,        "4",                              101,  30,  27,   8, style::Center},
    {IDC_STATIC,      ControlKind::Label,        "5",                              130,  30,  27,   8, style::Center},
    {IDC_STATIC,      ControlKind::Label,        "6",                              159,  30,  27,   8, style::Center},
    {IdRatio1,        ControlKind::Edit,         "",                                14,  41,  18,  12, style::ReadOnly | style::Center},
    {IdRatioSpin1,    ControlKind::UpDown,       "",                                32,  41,   9,  12},
    {IdRatio1 + 1,    ControlKind::Edit,         "",                                43,  41,  18,  12, style::ReadOnly | style::Center},
    {IdRatioSpin1 + 1, ControlKind::UpDown,      "",                                61,  41,   9,  12},
    {IdRatio1 + 2,    ControlKind::Edit,         "",                                72,  41,  18,  12, style::ReadOnly | style::Center},
    {IdRatioSpin1 + 2, ControlKind::UpDown,      "",                                90,  41,   9,  12},
    {IdRatio1 + 3,    ControlKind::Edit,         "",                               101,  41,  18,  12, style::ReadOnly | style::Center},
    {IdRatioSpin1 + 3, ControlKind::UpDown,      "",                               119,  41,   9,  12},
    {IdRatio1 + 4,    ControlKind::Edit,         "",                               130,  41,  18,  12, style::ReadOnly | style::Center},
    {IdRatioSpin1 + 4, ControlKind::UpDown,      "",                               148,  41,   9,  12},
    {IdRatio1 + 5,    ControlKind::Edit,         "",                               159,  41,  18,  12, style::ReadOnly | style::Center},
    {IdRatioSpin1 + 5, ControlKind::UpDown,      "",                               177,  41,   9,  12},
    {IDC_STATIC,      ControlKind::GroupBox,     "Turbo Boost Power Limits",         7,  72, 186,  34},
    {IDC_STATIC,      ControlKind::Label,        "TDP",                             14,  88,  20,   8, style::Right},
    {IdTdp,           ControlKind::Edit,         "",                                38,  86,  34,  12, style::Center},
    {IdTdpSpin,       ControlKind::UpDown,       "",                                72,  86,   9,  12},
    {IDC_STATIC,      ControlKind::Label,        "TDC",                            104,  88,  20,   8, style::Right},
    {IdTdc,           ControlKind::Edit,         "",                               128,  86,  34,  12, style::Center},
    {IdTdcSpin,       ControlKind::UpDown,       "",                               162,  86,   9,  12},
    {IDOK,            ControlKind::DefaultButton, "OK",                              7, 113,  50,  14},
    {IDCANCEL,        ControlKind::Button,       "Cancel",                          75, 113,  50,  14},
    {IdTurboApply,    ControlKind::Button,       "Apply",                          143, 113,  50,  14, style::Disabled},
};
// clang-format on

constexpr dialog::DialogTemplate kTemplate{
    TurboLimitsDialog::ResourceId, "Turbo Boost Limits", 200, 134, 8, dialog::window::SystemMenu, kControls};

} // namespace

TurboLimitsDialog::TurboLimitsDialog(hw::HardwareAccess& access, MonitorSettings& settings, std::string iniPath,
                                     const SettingsLayout& layout, QWidget* parent)
    : DialogWindow(kTemplate, parent)
    , m_access(access)
    , m_settings(settings)
    , m_iniPath(std::move(iniPath))
    , m_layout(layout)
    , m_registers(access)
{
    for (int n = 0; n < TurboRatioCount; ++n)
        onSpin(IdRatioSpin1 + n, [this, n](int delta) { stepRatio(n, delta); });
    onSpin(IdTdpSpin, [this](int delta) { stepTdp(delta); });
    onSpin(IdTdcSpin, [this](int delta) { stepTdc(delta); });
    onLeaveField(IdTdp, [this] { checkTdp(); });
    onLeaveField(IdTdc, [this] { checkTdc(); });
    onClicked(IdTurboApply, [this] { applyTurboLimits(); });

    if (!m_registers.powerProgrammable())
        for (int id : {IdTdp, IdTdc, IdTdpSpin, IdTdcSpin})
            setEnabled(id, false);
    showTurboLimits();
}

void TurboLimitsDialog::showTurboLimits()
{
    m_values = m_registers.read();
    for (int n = 0; n < TurboRatioCount; ++n) {
        const int ratio = m_values.ratios[size_t(n)];
        // A ratio of 0 marks a core count the processor does not have.
        setEnabled(IdRatioSpin1 + n, m_registers.ratiosProgrammable() && ratio != 0);
        setNumber(IdRatio1 + n, ratio);
    }
    setNumber(IdTdp, m_values.tdpWatts);
    setNumber(IdTdc, m_values.tdcAmps);
}

void TurboLimitsDialog::applyTurboLimits()
{
    m_registers.write(m_values);
    // What the processor took, not what was asked for.
    showTurboLimits();
    setEnabled(IdTurboApply, false);
}

void TurboLimitsDialog::stepRatio(int index, int delta)
{
    int& ratio = m_values.ratios[size_t(index)];
    ratio = stepTurboRatio(ratio, delta, m_registers.baseRatio());
    setNumber(IdRatio1 + index, ratio);
    setEnabled(IdTurboApply, true);
}

// A step starts from the field's number within its range: one step beyond
// the end of int (a field of eleven digits) would overflow.
void TurboLimitsDialog::stepTdp(int delta)
{
    setNumber(IdTdp, clampTdpWatts(number(IdTdp, dialog::NumberSign::Signed).value_or(m_values.tdpWatts)) - delta);
    checkTdp();
    setEnabled(IdTurboApply, true);
}

void TurboLimitsDialog::stepTdc(int delta)
{
    setNumber(IdTdc, clampTdcAmps(number(IdTdc, dialog::NumberSign::Signed).value_or(m_values.tdcAmps)) - delta);
    checkTdc();
    setEnabled(IdTurboApply, true);
}

void TurboLimitsDialog::checkTdp() { checkField(IdTdp, m_values.tdpWatts, clampTdpWatts); }

void TurboLimitsDialog::checkTdc() { checkField(IdTdc, m_values.tdcAmps, clampTdcAmps); }

void TurboLimitsDialog::checkField(int id, int& value, int (*clamp)(int))
{
    const std::optional<int> typed = number(id, dialog::NumberSign::Signed);
    // A text that is no number would otherwise become a limit of 0.
    const int checked = typed ? clamp(*typed) : value;
    if (!typed || *typed != checked || text(id) != QString::number(checked))
        setNumber(id, checked);
    if (checked != value) {
        value = checked;
        setEnabled(IdTurboApply, true);
    }
}

void TurboLimitsDialog::onEnter(int focusedControl)
{
    // Enter moves between the two limits without closing the window.
    if (focusedControl == IdTdp) {
        checkTdp();
        setFocus(IdTdc);
    } else if (focusedControl == IdTdc) {
        checkTdc();
        setFocus(IdTdp);
    }
}

void TurboLimitsDialog::onOk()
{
    if (m_registers.powerProgrammable()) {
        checkTdp();
        checkTdc();
    }
    applyTurboLimits();
    storeTurboLimits();
    endDialog(dialog::IDOK);
}

void TurboLimitsDialog::storeTurboLimits()
{
    if (SaveTurboLimits(m_settings, m_iniPath, m_access, m_layout) == WriteResult::Failed)
        std::fprintf(stderr, "The turbo limits were applied but could not be stored in %s; "
                             "they will not be applied at the next start.\n",
                     m_iniPath.c_str());
}

} // namespace monitor
