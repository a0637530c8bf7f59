#include "monitor/diag/window/SensorTestTemplate.h"

#include "monitor/diag/window/SensorTestDialog.h"

namespace monitor {

namespace {

using dialog::ControlKind;
using dialog::IDC_STATIC;
namespace style = dialog::style;

constexpr uint32_t Cell = style::ReadOnly | style::NoBorder | style::Center | style::NoTabStop;

// clang-format off
constexpr dialog::ControlSpec kControls[] = {
    // id         kind                     text                             x    y    w    h  style
    {IDC_STATIC,  ControlKind::GroupBox,   "Sensor Movement Test",         7,   4, 219,  42, style::None},
    {IDC_STATIC,  ControlKind::Label,      "Core 0",                      70,  15,  34,   8, style::Center},
    {IDC_STATIC,  ControlKind::Label,      "Core 1",                     108,  15,  34,   8, style::Center},
    {IDC_STATIC,  ControlKind::Label,      "Core 2",                     146,  15,  34,   8, style::Center},
    {IDC_STATIC,  ControlKind::Label,      "Core 3",                     184,  15,  34,   8, style::Center},
    {IDC_STATIC,  ControlKind::Label,      "Movement",                    14,  28,  52,   8, style::None},
    {1001,        ControlKind::Edit,       "",                            70,  27,  34,  10, Cell},
    {1002,        ControlKind::Edit,       "",                           108,  27,  34,  10, Cell},
    {1003,        ControlKind::Edit,       "",                           146,  27,  34,  10, Cell},
    {1004,        ControlKind::Edit,       "",                           184,  27,  34,  10, Cell},
    {IDC_STATIC,  ControlKind::GroupBox,   "CPU Cool Down Test",           7,  50, 219, 172, style::None},
    {IDC_STATIC,  ControlKind::Label,      "CPU Load",                    14,  61,  50,   8, style::Center},
    {IDC_STATIC,  ControlKind::Label,      "Average Distance to TJMax",   70,  61, 148,   8, style::Center},
    {1144,        ControlKind::Edit,       "",                            14,  74,  50,  10, Cell},
    {1005,        ControlKind::Edit,       "",                            70,  74,  34,  10, Cell},
    {1006,        ControlKind::Edit,       "",                           108,  74,  34,  10, Cell},
    {1007,        ControlKind::Edit,       "",                           146,  74,  34,  10, Cell},
    {1008,        ControlKind::Edit,       "",                           184,  74,  34,  10, Cell},
    {1145,        ControlKind::Edit,       "",                            14,  88,  50,  10, Cell},
    {1043,        ControlKind::Edit,       "",                            70,  88,  34,  10, Cell},
    {1019,        ControlKind::Edit,       "",                           108,  88,  34,  10, Cell},
    {1020,        ControlKind::Edit,       "",                           146,  88,  34,  10, Cell},
    {1022,        ControlKind::Edit,       "",                           184,  88,  34,  10, Cell},
    {1146,        ControlKind::Edit,       "",                            14, 102,  50,  10, Cell},
    {1023,        ControlKind::Edit,       "",                            70, 102,  34,  10, Cell},
    {1024,        ControlKind::Edit,       "",                           108, 102,  34,  10, Cell},
    {1025,        ControlKind::Edit,       "",                           146, 102,  34,  10, Cell},
    {1026,        ControlKind::Edit,       "",                           184, 102,  34,  10, Cell},
    {1147,        ControlKind::Edit,       "",                            14, 116,  50,  10, Cell},
    {1027,        ControlKind::Edit,       "",                            70, 116,  34,  10, Cell},
    {1028,        ControlKind::Edit,       "",                           108, 116,  34,  10, Cell},
    {1029,        ControlKind::Edit,       "",                           146, 116,  34,  10, Cell},
    {1030,        ControlKind::Edit,       "",                           184, 116,  34,  10, Cell},
    {1148,        ControlKind::Edit,       "",                            14, 130,  50,  10, Cell},
    {1031,        ControlKind::Edit,       "",                            70, 130,  34,  10, Cell},
    {1032,        ControlKind::Edit,       "",                           108, 130,  34,  10, Cell},
    {1033,        ControlKind::Edit,       "",                           146, 130,  34,  10, Cell},
    {1034,        ControlKind::Edit,       "",                           184, 130,  34,  10, Cell},
    {1149,        ControlKind::Edit,       "",                            14, 144,  50,  10, Cell},
    {1035,        ControlKind::Edit,       "",                            70, 144,  34,  10, Cell},
    {1044,        ControlKind::Edit,       "",                           108, 144,  34,  10, Cell},
    {1123,        ControlKind::Edit,       "",                           146, 144,  34,  10, Cell},
    {1124,        ControlKind::Edit,       "",                           184, 144,  34,  10, Cell},
    {1150,        ControlKind::Edit,       "",                            14, 158,  50,  10, Cell},
    {1125,        ControlKind::Edit,       "",                            70, 158,  34,  10, Cell},
    {1126,        ControlKind::Edit,       "",                           108, 158,  34,  10, Cell},
    {1127,        ControlKind::Edit,       "",                           146, 158,  34,  10, Cell},
    {1128,        ControlKind::Edit,       "",                           184, 158,  34,  10, Cell},
    {1151,        ControlKind::Edit,       "",                            14, 172,  50,  10, Cell},
    {1129,        ControlKind::Edit,       "",                            70, 172,  34,  10, Cell},
    {1130,        ControlKind::Edit,       "",                           108, 172,  34,  10, Cell},
    {1131,        ControlKind::Edit,       "",                           146, 172,  34,  10, Cell},
    {1132,        ControlKind::Edit,       "",                           184, 172,  34,  10, Cell},
    {1153,        ControlKind::Edit,       "",                            14, 186,  50,  10, Cell},
    {1133,        ControlKind::Edit,       "",                            70, 186,  34,  10, Cell},
    {1134,        ControlKind::Edit,       "",                           108, 186,  34,  10, Cell},
    {1135,        ControlKind::Edit,       "",                           146, 186,  34,  10, Cell},
    {1136,        ControlKind::Edit,       "",                           184, 186,  34,  10, Cell},
    {1154,        ControlKind::Edit,       "",                            14, 200,  50,  10, Cell},
    {1137,        ControlKind::Edit,       "",                            70, 200,  34,  10, Cell},
    {1138,        ControlKind::Edit,       "",                           108, 200,  34,  10, Cell},
    {1139,        ControlKind::Edit,       "",                           146, 200,  34,  10, Cell},
    {1140,        ControlKind::Edit,       "",                           184, 200,  34,  10, Cell},
    {IdStatus,    ControlKind::Edit,       "",                             7, 228, 219,  14, style::ReadOnly | style::Center | style::NoTabStop},
    {IdDownload,  ControlKind::Button,     "Download Prime 95",            7, 250,  84,  14, style::None},
    {IdStart,     ControlKind::Button,     "Start",                      116, 250,  52,  14, style::None},
    {IdStop,      ControlKind::Button,     "Stop",                       174, 250,  52,  14, style::Disabled},
};
// clang-format on

constexpr dialog::DialogTemplate Template{148, "Sensor Test", 233, 272, 8, dialog::window::SystemMenu, kControls};

// The result cells of rows 1 to 10, core slots 0 to 3, and the load column.
constexpr int RowCells[10][SensorTestSlots] = {
    {1005, 1006, 1007, 1008}, {1043, 1019, 1020, 1022}, {1023, 1024, 1025, 1026}, {1027, 1028, 1029, 1030},
    {1031, 1032, 1033, 1034}, {1035, 1044, 1123, 1124}, {1125, 1126, 1127, 1128}, {1129, 1130, 1131, 1132},
    {1133, 1134, 1135, 1136}, {1137, 1138, 1139, 1140},
};
constexpr int LoadCells[10] = {1144, 1145, 1146, 1147, 1148, 1149, 1150, 1151, 1153, 1154};

} // namespace

const dialog::DialogTemplate& sensorTestTemplate() { return Template; }

int sensorTestRowCell(int row, int slot) { return RowCells[row - 1][slot]; }

int sensorTestLoadCell(int row) { return LoadCells[row - 1]; }

} // namespace monitor
