#include "monitor/ui/main/MainDialogTemplateSixCore.h"

namespace monitor {

namespace {

using dialog::ControlKind;
using dialog::ControlSpec;
namespace style = dialog::style;

constexpr auto Frame = ControlKind::GroupBox;
constexpr auto Edit = ControlKind::Edit;
constexpr auto Button = ControlKind::Button;
constexpr uint32_t Field = style::ReadOnly;
constexpr uint32_t BigField = style::ReadOnly | style::Center;

// Columns start at x 9 and repeat every 44 units, each 37 wide; the frames
// run from 4 to 270.
constexpr ControlSpec Controls[] = {
    // id                     kind    text                  x    y    w    h   style
    {IDC_INFO_FRAME,          Frame,  "",                   4,   0, 266,  39},
    {IDC_CPU_NAME,            Edit,   "",                   8,   9,  84,  12, Field},
    {IDC_CORE_CLOCK,          Edit,   "",                  95,   9,  84,  12, Field},
    {IDC_MULTIPLIER,          Edit,   "",                 182,   9,  84,  12, Field},
    {IDC_SIGNATURE,           Edit,   "",                   8,  24,  84,  12, Field},
    {IDC_LOAD,                Edit,   "",                  95,  24,  84,  12, Field},
    {IDC_INFO_TEXT,           Edit,   "",                 182,  24,  84,  12, Field},

    {IDC_TEMPERATURE_FRAME,   Frame,  "Temperature (\xC2\xB0" "C)", 4, 43, 266, 29},
    {IDC_TEMPERATURE0,        Edit,   "",                   9,  53,  37,  15, BigField},
    {IDC_TEMPERATURE1,        Edit,   "",                  53,  53,  37,  15, BigField},
    {IDC_TEMPERATURE2,        Edit,   "",                  97,  53,  37,  15, BigField},
    {IDC_TEMPERATURE3,        Edit,   "",                 141,  53,  37,  15, BigField},
    {IDC_TEMPERATURE4,        Edit,   "",                 185,  53,  37,  15, BigField},
    {IDC_TEMPERATURE5,        Edit,   "",                 229,  53,  37,  15, BigField},

    {IDC_DISTANCE_FRAME,      Frame,  "Distance to TJ Max", 4,  76, 266,  29},
    {IDC_DISTANCE0,           Edit,   "",                   9,  86,  37,  15, BigField},
    {IDC_DISTANCE1,           Edit,   "",                  53,  86,  37,  15, BigField},
    {IDC_DISTANCE2,           Edit,   "",                  97,  86,  37,  15, BigField},
    {IDC_DISTANCE3,           Edit,   "",                 141,  86,  37,  15, BigField},
    {IDC_DISTANCE4,           Edit,   "",                 185,  86,  37,  15, BigField},
    {IDC_DISTANCE5,           Edit,   "",                 229,  86,  37,  15, BigField},

    {IDC_MINIMUM_FRAME,       Frame,  "Minimum",            4, 109, 266,  35},
    {IDC_MIN0,                Edit,   "",                   9, 119,  37,  12, Field},
    {IDC_MIN1,                Edit,   "",                  53, 119,  37,  12, Field},
    {IDC_MIN2,                Edit,   "",                  97, 119,  37,  12, Field},
    {IDC_MIN3,                Edit,   "",                 141, 119,  37,  12, Field},
    {IDC_MIN4,                Edit,   "",                 185, 119,  37,  12, Field},
    {IDC_MIN5,                Edit,   "",                 229, 119,  37,  12, Field},
    {IDC_MIN_TIME0,           Edit,   "",                   9, 130,  37,  12, Field},
    {IDC_MIN_TIME1,           Edit,   "",                  53, 130,  37,  12, Field},
    {IDC_MIN_TIME2,           Edit,   "",                  97, 130,  37,  12, Field},
    {IDC_MIN_TIME3,           Edit,   "",                 141, 130,  37,  12, Field},
    {IDC_MIN_TIME4,           Edit,   "",                 185, 130,  37,  12, Field},
    {IDC_MIN_TIME5,           Edit,   "",                 229, 130,  37,  12, Field},

    {IDC_MAXIMUM_FRAME,       Frame,  "Maximum",            4, 148, 266,  35},
    {IDC_MAX0,                Edit,   "",                   9, 158,  37,  12, Field},
    {IDC_MAX1,                Edit,   "",                  53, 158,  37,  12, Field},
    {IDC_MAX2,                Edit,   "",                  97, 158,  37,  12, Field},
    {IDC_MAX3,                Edit,   "",                 141, 158,  37,  12, Field},
    {IDC_MAX4,                Edit,   "",                 185, 158,  37,  12, Field},
    {IDC_MAX5,                Edit,   "",                 229, 158,  37,  12, Field},
    {IDC_MAX_TIME0,           Edit,   "",                   9, 169,  37,  12, Field},
    {IDC_MAX_TIME1,           Edit,   "",                  53, 169,  37,  12, Field},
    {IDC_MAX_TIME2,           Edit,   "",                  97, 169,  37,  12, Field},
    {IDC_MAX_TIME3,           Edit,   "",                 141, 169,  37,  12, Field},
    {IDC_MAX_TIME4,           Edit,   "",                 185, 169,  37,  12, Field},
    {IDC_MAX_TIME5,           Edit,   "",                 229, 169,  37,  12, Field},

    {IDC_STATUS_FRAME,        Frame,  "Thermal Status",     4, 187, 266,  24},
    {IDC_STATUS0,             Edit,   "",                   9, 197,  37,  12, Field},
    {IDC_STATUS1,             Edit,   "",                  53, 197,  37,  12, Field},
    {IDC_STATUS2,             Edit,   "",                  97, 197,  37,  12, Field},
    {IDC_STATUS3,             Edit,   "",                 141, 197,  37,  12, Field},
    {IDC_STATUS4,             Edit,   "",                 185, 197,  37,  12, Field},
    {IDC_STATUS5,             Edit,   "",                 229, 197,  37,  12, Field},

    // The GPU/signature button is wider: it starts with "CPUID  0x%04X".
    {IDC_SENSOR_TEST,         Button, "Sensor Test",        4, 216,  48,  14},
    {IDC_BENCH,               Button, "ZB Bench",          54, 216,  48,  14},
    {IDC_RESET,               Button, "Reset",            104, 216,  48,  14},
    {IDC_SETTINGS,            Button, "Settings",         154, 216,  48,  14},
    {IDC_GPU_BUTTON,          Button, "",                 204, 216,  66,  14},
};

} // namespace

const dialog::DialogTemplate MainDialogTemplateSixCore{
    102, "Ostrel HX", 274, 234, 8,
    dialog::window::SystemMenu | dialog::window::MinimizeBox | dialog::window::AppWindow,
    Controls,
};

} // namespace monitor
