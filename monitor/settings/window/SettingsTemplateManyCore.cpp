#include "monitor/settings/window/SettingsTemplateManyCore.h"

#include <algorithm>
#include <map>
#include <memory>

namespace monitor {

namespace {

using dialog::ControlKind;
using dialog::ControlSpec;
namespace style = dialog::style;

// Identifiers of the generated boxes: per core slot, from these.
constexpr int FirstIdle = 4000;
constexpr int FirstTjMax = 4100;
constexpr int FirstColour = 4200;
constexpr int FirstShowIcon = 4300;

constexpr int Margin = 4;
// The calibration grid: the row names on the left, then a box per core.
constexpr int NameLeft = 10;
constexpr int NameWidth = 44;
constexpr int BoxWidth = 24;
constexpr int BoxPitch = 27;
constexpr int GridTop = 28;
constexpr int GridRowHeight = 37; // headings, idle boxes, TjMax boxes
// The icon grid: a check box and its colour button per cell.
constexpr int CellPitch = 38;
constexpr int IconRowHeight = 16;
// The six-core window's groups: the two colour groups start at 54, the
// other settings at 128; its dialog colour group is 136 units wide.
constexpr int SixCoreColourTop = 54;
constexpr int SixCoreOtherTop = 128;
constexpr int ColourGroupWidth = 136;
constexpr int SixCoreWidth = 310;
constexpr int SixCoreHeight = 290;

void make(ManyCoreSettingsTemplate& t, const std::vector<std::string>& labels)
{
    const int cores = static_cast<int>(labels.size());
    const int perRow = std::clamp(cores, 1, ManyCoreSettingsTemplate::CalibrationColumns);
    const int gridRows = std::max(1, (cores + perRow - 1) / perRow);
    const int width = std::max(SixCoreWidth, NameLeft + NameWidth + perRow * BoxPitch + Margin + 6);
    std::vector<ControlSpec>& out = t.controls;
    const auto text = [&t](const std::string& value) { return t.texts.emplace_back(value).c_str(); };

    // Calibration: names, headings and the idle and TjMax boxes of every core.
    const int calibrationHeight = GridTop + gridRows * GridRowHeight;
    out.push_back({dialog::IDC_STATIC, ControlKind::GroupBox, "Advanced Calibration Settings", Margin, 4,
                   width - 2 * Margin, calibrationHeight});
    out.push_back({IDC_SET_TJMAX, ControlKind::CheckBox, "Set TJ Max", NameLeft, 15, 60, 10});
    for (int row = 0; row < gridRows; ++row) {
        const int y = GridTop + row * GridRowHeight;
        out.push_back({dialog::IDC_STATIC, ControlKind::Label, "Idle", NameLeft, y + 12, NameWidth, 9});
        out.push_back({dialog::IDC_STATIC, ControlKind::Label, "TJ Max", NameLeft, y + 26, NameWidth, 9});
    }
    for (int core = 0; core < cores; ++core) {
        const int x = NameLeft + NameWidth + (core % perRow) * BoxPitch;
        const int y = GridTop + (core / perRow) * GridRowHeight;
        const char* label = text(labels[static_cast<size_t>(core)]);
        out.push_back({dialog::IDC_STATIC, ControlKind::Label, label, x, y, BoxWidth, 9, style::Center});
        out.push_back({FirstIdle + core, ControlKind::Edit, "", x, y + 10, BoxWidth, 12});
        out.push_back({FirstTjMax + core, ControlKind::Edit, "", x, y + 24, BoxWidth, 12,
                       style::Number | style::Disabled});
        t.columns.push_back({FirstIdle + core, FirstTjMax + core, FirstColour + core, FirstShowIcon + core});
    }

    // The notification-area group: a cell per core, then the GPU and Max
    // cells, then the font row.
    const int colourTop = 4 + calibrationHeight + 4;
    const int iconLeft = Margin + ColourGroupWidth + 4;
    const int iconWidth = width - Margin - iconLeft;
    const int cellsPerRow = std::max(1, (iconWidth - 8) / CellPitch);
    const int cells = cores + 2;
    const int iconRows = (cells + cellsPerRow - 1) / cellsPerRow;
    const int fontRow = colourTop + 14 + iconRows * IconRowHeight + 2;
    const int iconHeight = fontRow + 13 + 5 - colourTop;
    const auto cell = [&](int index, int check, int button, const char* caption) {
        const int x = iconLeft + 6 + (index % cellsPerRow) * CellPitch;
        const int y = colourTop + 12 + (index / cellsPerRow) * IconRowHeight;
        out.push_back({check, ControlKind::CheckBox, "", x, y + 2, 10, 10});
        out.push_back({button, ControlKind::Button, caption, x + 11, y, 26, 13});
    };
    out.push_back({dialog::IDC_STATIC, ControlKind::GroupBox, "Notification Area Color and Font", iconLeft,
                   colourTop, iconWidth, iconHeight});
    for (int core = 0; core < cores; ++core)
        cell(core, FirstShowIcon + core, FirstColour + core, text(labels[static_cast<size_t>(core)]));
    cell(cores, IDC_SHOW_GPU_ICON, IDC_GPU_COLOUR, "GPU");
    cell(cores + 1, IDC_SHOW_MAX_ICON, IDC_MAX_COLOUR, "Max");
    out.push_back({IDC_FONTS, ControlKind::Button, "Fonts", iconLeft + 6, fontRow, 50, 13});
    out.push_back({IDC_QUALITY_TEXT, ControlKind::Edit, "", iconLeft + 59, fontRow, 22, 12,
                   style::ReadOnly | style::Center});
    out.push_back({IDC_QUALITY_SPIN, ControlKind::UpDown, "", iconLeft + 81, fontRow, 9, 12});
    out.push_back({IDC_THREE_DIGITS, ControlKind::CheckBox, "3 Digits", iconLeft + 96, fontRow + 1, 42, 10});

    // The six-core window's dialog colour group beside it, and its other
    // settings and buttons under both.
    const int otherTop = colourTop + std::max(iconHeight, SixCoreOtherTop - SixCoreColourTop) + 4;
    for (const ControlSpec& spec : SettingsDialogTemplateSixCore.controls) {
        ControlSpec moved = spec;
        if (spec.y >= SixCoreOtherTop) {
            moved.y += otherTop - SixCoreOtherTop;
            if (spec.kind == ControlKind::GroupBox)
                moved.w = width - 2 * Margin;
        } else if (spec.y >= SixCoreColourTop && spec.x < iconLeft - 4 && spec.x + spec.w <= ColourGroupWidth + Margin) {
            moved.y += colourTop - SixCoreColourTop;
        } else {
            continue;
        }
        out.push_back(moved);
    }

    t.window = dialog::DialogTemplate{147, "Settings", width, otherTop + SixCoreHeight - SixCoreOtherTop, 8,
                                      dialog::window::SystemMenu, out};
}

} // namespace

const ManyCoreSettingsTemplate& settingsTemplateManyCore(const std::vector<std::string>& labels)
{
    static std::map<std::vector<std::string>, std::unique_ptr<ManyCoreSettingsTemplate>> made;
    std::unique_ptr<ManyCoreSettingsTemplate>& found = made[labels];
    if (!found) {
        found = std::make_unique<ManyCoreSettingsTemplate>();
        make(*found, labels);
    }
    return *found;
}

} // namespace monitor
