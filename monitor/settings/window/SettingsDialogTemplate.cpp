#include "monitor/settings/window/SettingsDialogTemplate.h"

#include "dialog/StandardIds.h"

namespace monitor {

namespace {

using dialog::ControlKind;
using dialog::ControlSpec;
using dialog::IDC_STATIC;
namespace style = dialog::style;

constexpr auto Frame = ControlKind::GroupBox;
constexpr auto Label = ControlKind::Label;
constexpr auto Edit = ControlKind::Edit;
constexpr auto Button = ControlKind::Button;
constexpr auto Check = ControlKind::CheckBox;
constexpr auto Spin = ControlKind::UpDown;
constexpr uint32_t Shown = style::ReadOnly;
constexpr uint32_t Number = style::Number;
constexpr uint32_t Off = style::Disabled;

// Four core columns, 300 units wide.
constexpr ControlSpec Controls[] = {
    // id                     kind    text                            x    y    w    h   style
    {IDC_STATIC,              Frame,  "Advanced Calibration Settings", 4,   4, 292,  46},
    {IDC_STATIC,              Label,  "Idle Calibration",             10,  17,  60,   9},
    {IDC_IDLE0,               Edit,   "",                             74,  15,  34,  12},
    {IDC_IDLE1,               Edit,   "",                            114,  15,  34,  12},
    {IDC_IDLE2,               Edit,   "",                            154,  15,  34,  12},
    {IDC_IDLE3,               Edit,   "",                            194,  15,  34,  12},
    {IDC_SET_TJMAX,           Check,  "Set TJ Max",                   10,  32,  60,  10},
    {IDC_TJMAX0,              Edit,   "",                             74,  31,  34,  12, Number | Off},
    {IDC_TJMAX1,              Edit,   "",                            114,  31,  34,  12, Number | Off},
    {IDC_TJMAX2,              Edit,   "",                            154,  31,  34,  12, Number | Off},
    {IDC_TJMAX3,              Edit,   "",                            194,  31,  34,  12, Number | Off},

    {IDC_STATIC,              Frame,  "Dialog Color",                  4,  54, 136,  70},
    {IDC_NORMAL_WINDOW,       Check,  "Normal Window",                10,  65,  80,  10},
    {IDC_NORMAL_FILL,         Button, "Fill",                         10,  77,  44,  13},
    {IDC_NORMAL_TEXT,         Button, "Text",                         56,  77,  34,  13},
    {IDC_NORMAL_HEADING,      Button, "Heading",                      92,  77,  42,  13},
    {IDC_MINI_MODE,           Check,  "Mini Mode",                    10,  94,  80,  10},
    {IDC_MINI_FILL,           Button, "Fill",                         10, 106,  44,  13},
    {IDC_MINI_TEXT,           Button, "Text",                         56, 106,  34,  13},
    {IDC_MINI_HEADING,        Button, "Heading",                      92, 106,  42,  13},

    {IDC_STATIC,              Frame,  "Notification Area Color and Font", 144, 54, 152, 70},
    {IDC_SHOW_ICON0,          Check,  "",                            150,  68,  10,  10},
    {IDC_ICON_COLOUR0,        Button, "Core 0",                      161,  66,  34,  13},
    {IDC_SHOW_ICON1,          Check,  "",                            199,  68,  10,  10},
    {IDC_ICON_COLOUR1,        Button, "Core 1",                      210,  66,  34,  13},
    {IDC_SHOW_ICON2,          Check,  "",                            248,  68,  10,  10},
    {IDC_ICON_COLOUR2,        Button, "Core 2",                      259,  66,  34,  13},
    {IDC_SHOW_ICON3,          Check,  "",                            150,  84,  10,  10},
    {IDC_ICON_COLOUR3,        Button, "Core 3",                      161,  82,  34,  13},
    {IDC_SHOW_GPU_ICON,       Check,  "",                            199,  84,  10,  10},
    {IDC_GPU_COLOUR,          Button, "GPU",                         210,  82,  34,  13},
    {IDC_SHOW_MAX_ICON,       Check,  "",                            248,  84,  10,  10},
    {IDC_MAX_COLOUR,          Button, "Max",                         259,  82,  34,  13},
    {IDC_FONTS,               Button, "Fonts",                       150, 100,  46,  13},
    {IDC_QUALITY_TEXT,        Edit,   "",                            199, 100,  40,  12, Shown},
    {IDC_QUALITY_SPIN,        Spin,   "",                            239, 100,   9,  12},
    {IDC_THREE_DIGITS,        Check,  "3 Digits",                    252, 101,  42,  10},

    {IDC_STATIC,              Frame,  "Other Settings",                4, 128, 292, 122},
    {IDC_ALARM,               Check,  "Alarm Temperatures",           10, 140,  84,  10},
    {IDC_STATIC,              Label,  "CPU",                          12, 155,  18,   9},
    {IDC_ALARM_CPU,           Edit,   "",                             32, 153,  26,  12, Number},
    {IDC_STATIC,              Label,  "GPU",                          64, 155,  18,   9},
    {IDC_ALARM_GPU,           Edit,   "",                             84, 153,  26,  12, Number},
    {IDC_ALARM_EXE,           Button, "Alarm EXE",                    10, 169,  48,  13},
    {IDC_ALARM_FILE,          Edit,   "",                             60, 169,  84,  12, Shown},
    {IDC_RIVATUNER,           Button, "RivaTuner",                    10, 185,  48,  13},
    {IDC_RIVA_FILE,           Edit,   "",                             60, 185,  84,  12, Shown},
    {IDC_CLOCK_MODULATION,    Check,  "Clock Modulation",             10, 203,  70,  10},
    {IDC_DUTY_TEXT,           Edit,   "",                             82, 202,  36,  12, Shown},
    {IDC_DUTY_SPIN,           Spin,   "",                            118, 202,   9,  12},
    {IDC_LOG_FILE,            Check,  "Log File (seconds)",           10, 219,  72,  10},
    {IDC_LOG_SECONDS,         Edit,   "",                             82, 218,  36,  12, Number},
    {IDC_STATIC,              Label,  "APIC ID",                      10, 236,  30,   9},
    {IDC_APIC_ID,             Edit,   "",                             42, 234,  76,  12, Shown},
    {IDC_DISABLE_TURBO,       Check,  "Disable Turbo",               150, 140,  70,  10},
    {IDC_C1E,                 Check,  "C1E",                         150, 153,  70,  10},
    {IDC_EIST,                Check,  "EIST",                        150, 166,  70,  10},
    {IDC_TM_LOAD,             Check,  "TM Load",                     150, 179,  70,  10},
    {IDC_ATI,                 Check,  "ATI",                         150, 192,  70,  10},
    {IDC_NVIDIA,              Check,  "Nvidia",                      150, 205,  70,  10},
    {IDC_EXCEL,               Check,  "Excel",                       150, 218,  70,  10},
    {IDC_FAHRENHEIT,          Check,  "\xC2\xB0" "F / \xC2\xB0" "C", 222, 140,  72,  10},
    {IDC_ON_TOP,              Check,  "Always On Top",               222, 153,  72,  10},
    {IDC_TASK_BAR,            Check,  "Task Bar",                    222, 166,  72,  10},
    {IDC_START_MINIMIZED,     Check,  "Start Minimized",             222, 179,  72,  10},
    {IDC_TRAY_INFO,           Check,  "Tray Info",                   222, 192,  72,  10},
    {IDC_MINIMIZE_ON_CLOSE,   Check,  "Minimize on Close",           222, 205,  72,  10},

    {dialog::IDOK,            ControlKind::DefaultButton, "OK",       74, 256,  48,  14},
    {dialog::IDCANCEL,        Button, "Cancel",                      126, 256,  48,  14},
    {IDC_APPLY,               Button, "Apply",                       178, 256,  48,  14, Off},
    {IDC_DEFAULTS,            Button, "Defaults",                    230, 256,  48,  14},
};

// Six core columns, 310 units wide, with the six-core build's captions and
// the icon font chosen by number.
constexpr ControlSpec SixCoreControls[] = {
    // id                     kind    text                            x    y    w    h   style
    {IDC_STATIC,              Frame,  "Advanced Calibration Settings", 4,   4, 302,  46},
    {IDC_STATIC,              Label,  "Idle Calibration",             10,  17,  60,   9},
    {IDC_IDLE0,               Edit,   "",                             74,  15,  34,  12},
    {IDC_IDLE1,               Edit,   "",                            112,  15,  34,  12},
    {IDC_IDLE2,               Edit,   "",                            150,  15,  34,  12},
    {IDC_IDLE3,               Edit,   "",                            188,  15,  34,  12},
    {IDC_IDLE4,               Edit,   "",                            226,  15,  34,  12},
    {IDC_IDLE5,               Edit,   "",                            264,  15,  34,  12},
    {IDC_SET_TJMAX,           Check,  "Set TJ Max",                   10,  32,  60,  10},
    {IDC_TJMAX0,              Edit,   "",                             74,  31,  34,  12, Number | Off},
    {IDC_TJMAX1,              Edit,   "",                            112,  31,  34,  12, Number | Off},
    {IDC_TJMAX2,              Edit,   "",                            150,  31,  34,  12, Number | Off},
    {IDC_TJMAX3,              Edit,   "",                            188,  31,  34,  12, Number | Off},
    {IDC_TJMAX4,              Edit,   "",                            226,  31,  34,  12, Number | Off},
    {IDC_TJMAX5,              Edit,   "",                            264,  31,  34,  12, Number | Off},

    {IDC_STATIC,              Frame,  "Dialog Color",                  4,  54, 136,  70},
    {IDC_NORMAL_WINDOW,       Check,  "Normal Window",                10,  65,  80,  10},
    {IDC_NORMAL_FILL,         Button, "Background",                   10,  77,  44,  13},
    {IDC_NORMAL_TEXT,         Button, "Text",                         56,  77,  34,  13},
    {IDC_NORMAL_HEADING,      Button, "Heading",                      92,  77,  42,  13},
    {IDC_MINI_MODE,           Check,  "Mini Mode",                    10,  94,  80,  10},
    {IDC_MINI_FILL,           Button, "Background",                   10, 106,  44,  13},
    {IDC_MINI_TEXT,           Button, "Text",                         56, 106,  34,  13},
    {IDC_MINI_HEADING,        Button, "Heading",                      92, 106,  42,  13},

    {IDC_STATIC,              Frame,  "Notification Area Color and Font", 144, 54, 162, 70},
    {IDC_SHOW_ICON0,          Check,  "",                            150,  68,  10,  10},
    {IDC_ICON_COLOUR0,        Button, "Core 0",                      161,  66,  27,  13},
    {IDC_SHOW_ICON1,          Check,  "",                            189,  68,  10,  10},
    {IDC_ICON_COLOUR1,        Button, "Core 1",                      200,  66,  27,  13},
    {IDC_SHOW_ICON2,          Check,  "",                            228,  68,  10,  10},
    {IDC_ICON_COLOUR2,        Button, "Core 2",                      239,  66,  27,  13},
    {IDC_SHOW_ICON3,          Check,  "",                            267,  68,  10,  10},
    {IDC_ICON_COLOUR3,        Button, "Core 3",                      278,  66,  27,  13},
    {IDC_SHOW_ICON4,          Check,  "",                            150,  84,  10,  10},
    {IDC_ICON_COLOUR4,        Button, "Core 4",                      161,  82,  27,  13},
    {IDC_SHOW_ICON5,          Check,  "",                            189,  84,  10,  10},
    {IDC_ICON_COLOUR5,        Button, "Core 5",                      200,  82,  27,  13},
    {IDC_SHOW_GPU_ICON,       Check,  "",                            228,  84,  10,  10},
    {IDC_GPU_COLOUR,          Button, "GPU",                         239,  82,  27,  13},
    {IDC_SHOW_MAX_ICON,       Check,  "",                            267,  84,  10,  10},
    {IDC_MAX_COLOUR,          Button, "Max",                         278,  82,  27,  13},
    {IDC_FONTS,               Button, "Fonts",                       150, 100,  50,  13},
    {IDC_QUALITY_TEXT,        Edit,   "",                            203, 100,  22,  12, Shown | style::Center},
    {IDC_QUALITY_SPIN,        Spin,   "",                            225, 100,   9,  12},
    {IDC_THREE_DIGITS,        Check,  "3 Digits",                    240, 101,  42,  10},

    {IDC_STATIC,              Frame,  "Other Settings",                4, 128, 302, 136},
    {IDC_ALARM,               Check,  "Alarm",                        10, 140,  84,  10},
    {IDC_STATIC,              Label,  "CPU Temperature",              12, 155,  58,   9},
    {IDC_ALARM_CPU,           Edit,   "",                             72, 153,  26,  12, Number},
    {IDC_STATIC,              Label,  "GPU Temperature",              12, 169,  58,   9},
    {IDC_ALARM_GPU,           Edit,   "",                             72, 167,  26,  12, Number},
    {IDC_ALARM_EXE,           Button, "Alarm EXE",                    10, 183,  48,  13},
    {IDC_ALARM_FILE,          Edit,   "",                             60, 183,  90,  12, Shown},
    {IDC_RIVATUNER,           Button, "RivaTuner",                    10, 199,  48,  13},
    {IDC_RIVA_FILE,           Edit,   "",                             60, 199,  90,  12, Shown},
    {IDC_CLOCK_MODULATION,    Check,  "Clock Modulation",             10, 217,  70,  10},
    {IDC_DUTY_TEXT,           Edit,   "",                             82, 216,  36,  12, Shown},
    {IDC_DUTY_SPIN,           Spin,   "",                            118, 216,   9,  12},
    {IDC_LOG_FILE,            Check,  "Log File (seconds)",           10, 233,  72,  10},
    {IDC_LOG_SECONDS,         Edit,   "",                             82, 232,  36,  12, Number},
    {IDC_STATIC,              Label,  "APIC ID",                      10, 250,  30,   9},
    {IDC_APIC_ID,             Edit,   "",                             42, 248,  76,  12, Shown},
    {IDC_DISABLE_TURBO,       Check,  "Disable Turbo",               158, 140,  70,  10},
    {IDC_C1E,                 Check,  "C1E",                         158, 153,  70,  10},
    {IDC_EIST,                Check,  "EIST",                        158, 166,  70,  10},
    {IDC_TM_LOAD,             Check,  "TM Load",                     158, 179,  70,  10},
    {IDC_ATI,                 Check,  "ATI",                         158, 192,  70,  10},
    {IDC_NVIDIA,              Check,  "Nvidia",                      158, 205,  70,  10},
    {IDC_EXCEL,               Check,  "Excel",                       158, 218,  70,  10},
    {IDC_FAHRENHEIT,          Check,  "Fahrenheit",                  230, 140,  74,  10},
    {IDC_ON_TOP,              Check,  "Always On Top",               230, 153,  74,  10},
    {IDC_TASK_BAR,            Check,  "Task Bar",                    230, 166,  74,  10},
    {IDC_START_MINIMIZED,     Check,  "Start Minimized",             230, 179,  74,  10},
    {IDC_TRAY_INFO,           Check,  "Tray Info",                   230, 192,  74,  10},
    {IDC_MINIMIZE_ON_CLOSE,   Check,  "Minimize On Close",           230, 205,  74,  10},

    {dialog::IDOK,            ControlKind::DefaultButton, "OK",       79, 270,  48,  14},
    {dialog::IDCANCEL,        Button, "Cancel",                      131, 270,  48,  14},
    {IDC_APPLY,               Button, "Apply",                       183, 270,  48,  14, Off},
    {IDC_DEFAULTS,            Button, "Defaults",                    235, 270,  48,  14},
};

} // namespace

const dialog::DialogTemplate SettingsDialogTemplate{147, "Settings", 300, 276, 8, dialog::window::SystemMenu,
                                                   Controls};
const dialog::DialogTemplate SettingsDialogTemplateSixCore{147, "Settings", 310, 290, 8,
                                                           dialog::window::SystemMenu, SixCoreControls};

} // namespace monitor
