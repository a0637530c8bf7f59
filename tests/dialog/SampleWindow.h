#pragma once
// A small window declared the way the suite's windows are, for the tests of
// the dialog layer. It records what the layer hands to it.

#include "dialog/DialogWindow.h"
#include "dialog/StandardIds.h"

#include <vector>

namespace sample {

using dialog::ControlKind;
using dialog::IDC_STATIC;
using dialog::IDCANCEL;
using dialog::IDOK;
namespace style = dialog::style;

enum SampleId : int {
    IdName = 1001,
    IdCount = 1002,
    IdSpin = 1003,
    IdCheck = 1004,
    IdApply = 1005,
    IdGroup = 1006,
    IdRadioA = 1007,
    IdRadioB = 1008,
    IdHidden = 1009,
    IdProgress = 1010,
};

// clang-format off
inline constexpr dialog::ControlSpec kControls[] = {
    // id          kind                        text           x    y    w    h   style
    {IDC_STATIC,   ControlKind::Label,         "Name",        7,   9,  30,   8},
    {IdName,       ControlKind::Edit,          "alpha",      40,   7,  60,  12},
    {IdCount,      ControlKind::Edit,          "5",          40,  23,  40,  12, style::Number},
    {IdSpin,       ControlKind::UpDown,        "",           80,  23,  10,  12},
    {IdCheck,      ControlKind::CheckBox,      "At once",     7,  40,  80,  10},
    {IdGroup,      ControlKind::GroupBox,      "Choice",      4,  52, 120,  30},
    {IdRadioA,     ControlKind::Radio,         "A",          10,  62,  30,  10, style::Group},
    {IdRadioB,     ControlKind::Radio,         "B",          50,  62,  30,  10},
    {IdHidden,     ControlKind::Edit,          "",            7,  86,  20,  12, style::Hidden | style::Disabled},
    {IdProgress,   ControlKind::Progress,      "",           30,  86,  90,  10},
    {IdApply,      ControlKind::Button,        "Apply",      10, 100,  50,  14},
    {IDOK,         ControlKind::DefaultButton, "OK",         70, 100,  50,  14},
    {IDCANCEL,     ControlKind::Button,        "Cancel",    125, 100,  50,  14},
};
// clang-format on

inline constexpr dialog::DialogTemplate kTemplate{
    200, "Sample", 180, 120, 8, dialog::window::SystemMenu | dialog::window::MinimizeBox, kControls};

class SampleWindow : public dialog::DialogWindow {
public:
    explicit SampleWindow(dialog::WindowRole role = dialog::WindowRole::Secondary)
        : DialogWindow(kTemplate, nullptr, role)
    {
    }

    std::vector<int> enters;
    std::vector<int> timers;
    std::vector<int> systemCommands;
    int oks = 0;
    int cancels = 0;

protected:
    void onOk() override
    {
        ++oks;
        DialogWindow::onOk();
    }
    void onCancel() override
    {
        ++cancels;
        DialogWindow::onCancel();
    }
    void onEnter(int id) override { enters.push_back(id); }
    void onTimer(int id) override { timers.push_back(id); }
    void onSystemCommand(int command) override { systemCommands.push_back(command); }
};

} // namespace sample
