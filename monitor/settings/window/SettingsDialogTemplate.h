#pragma once
// The settings window (dialog 147): its control identifiers and the two
// layouts, four core columns (Ostrel) and six (OstrelHX).

#include "dialog/ControlSpec.h"

namespace monitor {

enum SettingsControl : int {
    // Advanced calibration
    IDC_IDLE0 = 1068, IDC_IDLE1 = 1069, IDC_IDLE2 = 1070, IDC_IDLE3 = 1071,
    IDC_IDLE4 = 1232, IDC_IDLE5 = 1233,
    IDC_TJMAX0 = 1064, IDC_TJMAX1 = 1065, IDC_TJMAX2 = 1066, IDC_TJMAX3 = 1067,
    IDC_TJMAX4 = 1234, IDC_TJMAX5 = 1235,
    IDC_SET_TJMAX = 1086,
    // Dialog colour
    IDC_NORMAL_WINDOW = 1009,
    IDC_MINI_MODE = 1011,
    IDC_NORMAL_FILL = 1113, IDC_NORMAL_TEXT = 1114,
    IDC_MINI_FILL = 1115, IDC_MINI_TEXT = 1116,
    IDC_NORMAL_HEADING = 1177, IDC_MINI_HEADING = 1178,
    // Notification area colour and font
    IDC_ICON_COLOUR0 = 1091, IDC_ICON_COLOUR1 = 1092, IDC_ICON_COLOUR2 = 1093, IDC_ICON_COLOUR3 = 1094,
    IDC_ICON_COLOUR4 = 1236, IDC_ICON_COLOUR5 = 1237,
    IDC_GPU_COLOUR = 1170,
    IDC_MAX_COLOUR = 1527,
    IDC_SHOW_ICON0 = 1073, IDC_SHOW_ICON1 = 1074, IDC_SHOW_ICON2 = 1075, IDC_SHOW_ICON3 = 1076,
    IDC_SHOW_ICON4 = 1238, IDC_SHOW_ICON5 = 1239,
    IDC_SHOW_GPU_ICON = 1013,
    IDC_SHOW_MAX_ICON = 1528,
    IDC_FONTS = 1218,
    IDC_QUALITY_TEXT = 1220, // the six-core window shows FontNumber here
    IDC_QUALITY_SPIN = 1225,
    IDC_THREE_DIGITS = 1014,
    // Other settings
    IDC_ALARM = 1104,
    IDC_ALARM_CPU = 1105,
    IDC_ALARM_GPU = 1106,
    IDC_ALARM_EXE = 1142,
    IDC_ALARM_FILE = 1143,
    IDC_RIVATUNER = 1171,
    IDC_RIVA_FILE = 1172,
    IDC_CLOCK_MODULATION = 1012,
    IDC_DUTY_TEXT = 1119,
    IDC_DUTY_SPIN = 1226,
    IDC_DISABLE_TURBO = 1183,
    IDC_C1E = 1016,
    IDC_EIST = 1017,
    IDC_TM_LOAD = 1186,
    IDC_ATI = 1223,
    IDC_NVIDIA = 1224,
    IDC_LOG_FILE = 1078,
    IDC_LOG_SECONDS = 1079,
    IDC_EXCEL = 1107,
    IDC_FAHRENHEIT = 1227,
    IDC_ON_TOP = 1080,
    IDC_TASK_BAR = 1083,
    IDC_START_MINIMIZED = 1081,
    IDC_TRAY_INFO = 1095,
    IDC_MINIMIZE_ON_CLOSE = 1015,
    IDC_APIC_ID = 1174,
    // Buttons besides OK and Cancel
    IDC_APPLY = 1088,
    IDC_DEFAULTS = 1063,
};

// The most core columns a settings window has.
constexpr int MaxSettingsColumns = 6;

// Per core column: idle edit, TjMax edit, icon colour button, show-icon box.
struct SettingsColumn {
    int idle, tjMax, colour, showIcon;
};
constexpr SettingsColumn SettingsColumns[MaxSettingsColumns] = {
    {IDC_IDLE0, IDC_TJMAX0, IDC_ICON_COLOUR0, IDC_SHOW_ICON0},
    {IDC_IDLE1, IDC_TJMAX1, IDC_ICON_COLOUR1, IDC_SHOW_ICON1},
    {IDC_IDLE2, IDC_TJMAX2, IDC_ICON_COLOUR2, IDC_SHOW_ICON2},
    {IDC_IDLE3, IDC_TJMAX3, IDC_ICON_COLOUR3, IDC_SHOW_ICON3},
    {IDC_IDLE4, IDC_TJMAX4, IDC_ICON_COLOUR4, IDC_SHOW_ICON4},
    {IDC_IDLE5, IDC_TJMAX5, IDC_ICON_COLOUR5, IDC_SHOW_ICON5},
};

extern const dialog::DialogTemplate SettingsDialogTemplate;
extern const dialog::DialogTemplate SettingsDialogTemplateSixCore;

} // namespace monitor
