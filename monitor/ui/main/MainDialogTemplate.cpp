#include "monitor/ui/main/MainDialogTemplate.h"

#include <array>

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

constexpr ControlSpec Controls[] = {
    // id                     kind    text                  x    y    w    h   style
    {IDC_INFO_FRAME,          Frame,  "",                   4,   0, 200,  39},
    {IDC_CPU_NAME,            Edit,   "",                   8,   9,  60,  12, Field},
    {IDC_CORE_CLOCK,          Edit,   "",                  73,   9,  60,  12, Field},
    {IDC_MULTIPLIER,          Edit,   "",                 138,   9,  60,  12, Field},
    {IDC_GPU_BUTTON,          Button, "",                  14,  21,  48,  14},
    {IDC_SIGNATURE,           Edit,   "",                   8,  24,  60,  12, Field | style::Hidden},
    {IDC_LOAD,                Edit,   "",                  73,  24,  60,  12, Field},
    {IDC_INFO_BUTTON,         Button, "",                 144,  21,  48,  14},
    {IDC_INFO_TEXT,           Edit,   "",                 138,  24,  60,  12, Field},

    {IDC_TEMPERATURE_FRAME,   Frame,  "Temperature (\xC2\xB0" "C)", 4, 43, 200, 29},
    {IDC_TEMPERATURE0,        Edit,   "",                   9,  53,  42,  15, BigField},
    {IDC_TEMPERATURE1,        Edit,   "",                  58,  53,  42,  15, BigField},
    {IDC_TEMPERATURE2,        Edit,   "",                 107,  53,  42,  15, BigField},
    {IDC_TEMPERATURE3,        Edit,   "",                 156,  53,  42,  15, BigField},

    {IDC_DISTANCE_FRAME,      Frame,  "Distance to TJ Max", 4,  76, 200,  29},
    {IDC_DISTANCE0,           Edit,   "",                   9,  86,  42,  15, BigField},
    {IDC_DISTANCE1,           Edit,   "",                  58,  86,  42,  15, BigField},
    {IDC_DISTANCE2,           Edit,   "",                 107,  86,  42,  15, BigField},
    {IDC_DISTANCE3,           Edit,   "",                 156,  86,  42,  15, BigField},

    {IDC_MINIMUM_FRAME,       Frame,  "Minimum",            4, 109, 200,  35},
    {IDC_MIN0,                Edit,   "",                   9, 119,  42,  12, Field},
    {IDC_MIN1,                Edit,   "",                  58, 119,  42,  12, Field},
    {IDC_MIN2,                Edit,   "",                 107, 119,  42,  12, Field},
    {IDC_MIN3,                Edit,   "",                 156, 119,  42,  12, Field},
    {IDC_MIN_TIME0,           Edit,   "",                   9, 130,  42,  12, Field},
    {IDC_MIN_TIME1,           Edit,   "",                  58, 130,  42,  12, Field},
    {IDC_MIN_TIME2,           Edit,   "",                 107, 130,  42,  12, Field},
    {IDC_MIN_TIME3,           Edit,   "",                 156, 130,  42,  12, Field},

    {IDC_MAXIMUM_FRAME,       Frame,  "Maximum",            4, 148, 200,  35},
    {IDC_MAX0,                Edit,   "",                   9, 158,  42,  12, Field},
    {IDC_MAX1,                Edit,   "",                  58, 158,  42,  12, Field},
    {IDC_MAX2,                Edit,   "",                 107, 158,  42,  12, Field},
    {IDC_MAX3,                Edit,   "",                 156, 158,  42,  12, Field},
    {IDC_MAX_TIME0,           Edit,   "",                   9, 169,  42,  12, Field},
    {IDC_MAX_TIME1,           Edit,   "",                  58, 169,  42,  12, Field},
    {IDC_MAX_TIME2,           Edit,   "",                 107, 169,  42,  12, Field},
    {IDC_MAX_TIME3,           Edit,   "",                 156, 169,  42,  12, Field},

    {IDC_STATUS_FRAME,        Frame,  "Thermal Status",     4, 187, 200,  24},
    {IDC_STATUS0,             Edit,   "",                   9, 197,  42,  12, Field},
    {IDC_STATUS1,             Edit,   "",                  58, 197,  42,  12, Field},
    {IDC_STATUS2,             Edit,   "",                 107, 197,  42,  12, Field},
    {IDC_STATUS3,             Edit,   "",                 156, 197,  42,  12, Field},

    {IDC_SENSOR_TEST,         Button, "Sensor Test",        5, 216,  48,  14},
    {IDC_BENCH,               Button, "ZB Bench",          55, 216,  48,  14},
    {IDC_RESET,               Button, "Reset",            105, 216,  48,  14},
    {IDC_SETTINGS,            Button, "Settings",         155, 216,  48,  14},
};

} // namespace

const dialog::DialogTemplate MainDialogTemplate{
    102, "Ostrel", 208, 234, 8,
    dialog::window::SystemMenu | dialog::window::MinimizeBox | dialog::window::AppWindow,
    Controls,
};

} // namespace monitor
