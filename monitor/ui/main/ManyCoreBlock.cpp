#include "monitor/ui/main/ManyCoreBlock.h"

#include <algorithm>

namespace monitor {

namespace {

using dialog::ControlKind;
using dialog::ControlSpec;
namespace style = dialog::style;

constexpr uint32_t Field = style::ReadOnly;
constexpr uint32_t BigField = style::ReadOnly | style::Center;
constexpr uint32_t SmallField = style::ReadOnly | style::Center;

// Identifiers of the generated controls: per core slot eight from
// FirstCoreControl, per band eight from FirstBandControl.
constexpr int FirstBandControl = 2000;
constexpr int FirstCoreControl = 3000;
enum CoreControl { Temperature, Distance, Minimum, MinimumTime, Maximum, MaximumTime, Status, Heading };

// Per band: the five frame headings (or their copies), then the compact band's frame.
constexpr int BandFrame = 5;

int coreControl(int slot, CoreControl which) { return FirstCoreControl + slot * 8 + which; }
int bandControl(int band, int heading) { return FirstBandControl + band * 8 + heading; }

// Columns: 37 units wide, 44 apart, as in the six-core window.
constexpr int ColumnWidth = 37;
constexpr int ColumnPitch = 44;
// The compact bands' names of the figures, left of the columns.
constexpr int NameWidth = 80;
constexpr int Margin = 4;
// The frames of a band of the six-core look, from the band's top: the
// headings row, then each frame's top and height and its fields' rows.
constexpr int HeadingHeight = 9;
struct FrameRows {
    int top, height, first, second; // second: 0 when the frame has one row
};
constexpr FrameRows NormalFrames[] = {
    {10, 29, 20, 0},   // temperature
    {43, 29, 53, 0},   // distance to TjMax
    {76, 35, 86, 97},  // minimum and its time
    {115, 35, 125, 136}, // maximum and its time
    {154, 24, 164, 0}, // thermal status
};
constexpr int NormalBandHeight = 182;
// Compact bands: one frame, a line of 11 units per figure.
constexpr int CompactLine = 11;
constexpr int CompactHeadingTop = 4;
constexpr int CompactFirstLine = 14;
constexpr int CompactBandHeight = 100;
// The line of each figure's name: temperature, distance, minimum (and its
// time below), maximum (and its time), status.
constexpr int CompactNameLines[] = {0, 1, 2, 4, 6};
// The information group above the block, and the button row below it.
constexpr int BlockTop = 43;
constexpr int ButtonGap = 5;
constexpr int ButtonHeight = 14;
constexpr int BottomMargin = 4;
// The narrowest window: the row of five buttons.
constexpr int MinimumWidth = 274;

constexpr const char* FrameCaptions[] = {"Temperature (\xC2\xB0" "C)", "Distance to TJ Max", "Minimum", "Maximum",
                                         "Thermal Status"};

} // namespace

ManyCoreBlock manyCoreBlock(const std::vector<std::string>& labels)
{
    ManyCoreBlock block;
    const int cores = static_cast<int>(labels.size());
    block.compact = cores >= ManyCoreBlock::CompactFrom;
    const int perBand = std::clamp(cores, 1, ManyCoreBlock::BandColumns);
    const int bands = std::max(1, (cores + ManyCoreBlock::BandColumns - 1) / ManyCoreBlock::BandColumns);
    const int firstColumn = Margin + 5 + (block.compact ? NameWidth : 0);
    const int columnsRight = firstColumn + (perBand - 1) * ColumnPitch + ColumnWidth;
    block.width = std::max(MinimumWidth, columnsRight + 5 + Margin);
    const int frameWidth = block.width - 2 * Margin;
    const int bandHeight = block.compact ? CompactBandHeight : NormalBandHeight;
    block.top = BlockTop;
    block.height = bands * bandHeight - (block.compact ? 2 : 4);

    std::vector<ControlSpec>& out = block.controls;
    const auto text = [&block](std::string value) { return block.m_texts.emplace_back(std::move(value)).c_str(); };

    for (int band = 0; band < bands; ++band) {
        const int y = block.top + band * bandHeight;
        for (int heading = 0; heading < 5; ++heading) {
            const int id = band == 0 ? HeadingFrames[heading] : bandControl(band, heading);
            if (band > 0)
                block.headingCopies.push_back({HeadingFrames[heading], id});
            if (block.compact) {
                const int line = CompactFirstLine + CompactNameLines[heading] * CompactLine;
                out.push_back({id, ControlKind::Label, FrameCaptions[heading], Margin + 4, y + line + 1,
                               NameWidth, 9});
            } else {
                const FrameRows& rows = NormalFrames[heading];
                out.push_back({id, ControlKind::GroupBox, FrameCaptions[heading], Margin, y + rows.top, frameWidth,
                               rows.height});
            }
        }
        if (block.compact)
            out.push_back({bandControl(band, BandFrame), ControlKind::GroupBox, "", Margin, y, frameWidth,
                           bandHeight - 2});
    }

    for (int slot = 0; slot < cores; ++slot) {
        const int band = slot / ManyCoreBlock::BandColumns;
        const int x = firstColumn + (slot % ManyCoreBlock::BandColumns) * ColumnPitch;
        const int y = block.top + band * bandHeight;
        const CoreColumn column{coreControl(slot, Temperature), coreControl(slot, Distance),
                                coreControl(slot, Minimum),     coreControl(slot, MinimumTime),
                                coreControl(slot, Maximum),     coreControl(slot, MaximumTime),
                                coreControl(slot, Status)};
        block.columns.push_back(column);
        const auto field = [&](int id, int top, int height, uint32_t fieldStyle) {
            out.push_back({id, ControlKind::Edit, "", x, y + top, ColumnWidth, height, fieldStyle});
        };
        out.push_back({coreControl(slot, Heading), ControlKind::Label, text(labels[static_cast<size_t>(slot)]), x,
                       y + (block.compact ? CompactHeadingTop : 0), ColumnWidth, HeadingHeight, style::Center});
        if (block.compact) {
            const int ids[] = {column.temperature, column.distance, column.minimum, column.minimumTime,
                               column.maximum, column.maximumTime, column.status};
            for (int line = 0; line < 7; ++line)
                field(ids[line], CompactFirstLine + line * CompactLine, CompactLine, SmallField);
            continue;
        }
        field(column.temperature, NormalFrames[0].first, 15, BigField);
        field(column.distance, NormalFrames[1].first, 15, BigField);
        field(column.minimum, NormalFrames[2].first, 12, Field);
        field(column.minimumTime, NormalFrames[2].second, 12, Field);
        field(column.maximum, NormalFrames[3].first, 12, Field);
        field(column.maximumTime, NormalFrames[3].second, 12, Field);
        field(column.status, NormalFrames[4].first, 12, Field);
    }
    return block;
}

std::vector<ControlSpec> ManyCoreBlock::fixedControls() const
{
    const int fieldWidth = (width - 2 * Margin - 14) / 3;
    const auto fieldX = [fieldWidth](int n) { return 8 + n * (fieldWidth + 3); };
    const int buttons = top + height + ButtonGap;
    return {
        {IDC_INFO_FRAME, ControlKind::GroupBox, "", Margin, 0, width - 2 * Margin, 39},
        {IDC_CPU_NAME, ControlKind::Edit, "", fieldX(0), 9, fieldWidth, 12, Field},
        {IDC_CORE_CLOCK, ControlKind::Edit, "", fieldX(1), 9, fieldWidth, 12, Field},
        {IDC_MULTIPLIER, ControlKind::Edit, "", fieldX(2), 9, fieldWidth, 12, Field},
        {IDC_SIGNATURE, ControlKind::Edit, "", fieldX(0), 24, fieldWidth, 12, Field},
        {IDC_LOAD, ControlKind::Edit, "", fieldX(1), 24, fieldWidth, 12, Field},
        {IDC_INFO_TEXT, ControlKind::Edit, "", fieldX(2), 24, fieldWidth, 12, Field},
        // The GPU/signature button is wider: it starts with "CPUID  0x%04X".
        {IDC_SENSOR_TEST, ControlKind::Button, "Sensor Test", Margin, buttons, 48, ButtonHeight},
        {IDC_BENCH, ControlKind::Button, "ZB Bench", 54, buttons, 48, ButtonHeight},
        {IDC_RESET, ControlKind::Button, "Reset", 104, buttons, 48, ButtonHeight},
        {IDC_SETTINGS, ControlKind::Button, "Settings", 154, buttons, 48, ButtonHeight},
        {IDC_GPU_BUTTON, ControlKind::Button, "", 204, buttons, 66, ButtonHeight},
    };
}

int ManyCoreBlock::clientHeight() const { return top + height + ButtonGap + ButtonHeight + BottomMargin; }

const dialog::DialogTemplate& mainDialogTemplateManyCore()
{
    // An eight-column block until the cores are known.
    static const ManyCoreBlock block = manyCoreBlock(std::vector<std::string>(ManyCoreBlock::BandColumns));
    static const std::vector<ControlSpec> controls = block.fixedControls();
    static const dialog::DialogTemplate window{
        102, "Ostrel XL", block.width, block.clientHeight(), 8,
        dialog::window::SystemMenu | dialog::window::MinimizeBox | dialog::window::AppWindow, controls,
    };
    return window;
}

} // namespace monitor
