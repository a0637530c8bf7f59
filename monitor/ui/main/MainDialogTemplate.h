#pragma once
// The main window's template (dialog 102): every control with its
// identifier, rectangle in dialog units and initial text.

#include "dialog/ControlSpec.h"

namespace monitor {

enum MainControl : int {
    IDC_INFO_FRAME = 1169,  // frames the two information rows
    IDC_CPU_NAME = 1043,
    IDC_CORE_CLOCK = 1155,
    IDC_MULTIPLIER = 1159,
    IDC_GPU_BUTTON = 1176,
    IDC_SIGNATURE = 1179,
    IDC_LOAD = 1157,
    IDC_INFO_BUTTON = 1530,
    IDC_INFO_TEXT = 1531,

    IDC_TEMPERATURE_FRAME = 1164,
    IDC_TEMPERATURE0 = 1001, IDC_TEMPERATURE1 = 1002, IDC_TEMPERATURE2 = 1003, IDC_TEMPERATURE3 = 1004,
    IDC_DISTANCE_FRAME = 1165,
    IDC_DISTANCE0 = 1005, IDC_DISTANCE1 = 1006, IDC_DISTANCE2 = 1007, IDC_DISTANCE3 = 1008,
    IDC_MINIMUM_FRAME = 1166,
    IDC_MIN0 = 1019, IDC_MIN1 = 1022, IDC_MIN2 = 1024, IDC_MIN3 = 1026,
    IDC_MIN_TIME0 = 1028, IDC_MIN_TIME1 = 1030, IDC_MIN_TIME2 = 1032, IDC_MIN_TIME3 = 1034,
    IDC_MAXIMUM_FRAME = 1167,
    IDC_MAX0 = 1020, IDC_MAX1 = 1023, IDC_MAX2 = 1025, IDC_MAX3 = 1027,
    IDC_MAX_TIME0 = 1029, IDC_MAX_TIME1 = 1031, IDC_MAX_TIME2 = 1033, IDC_MAX_TIME3 = 1035,
    IDC_STATUS_FRAME = 1168,
    IDC_STATUS0 = 1109, IDC_STATUS1 = 1110, IDC_STATUS2 = 1111, IDC_STATUS3 = 1112,

    IDC_SENSOR_TEST = 1045,
    IDC_BENCH = 1050,
    IDC_RESET = 1058,
    IDC_SETTINGS = 1082,
};

// Core columns of the window.
constexpr int MainColumns = 4;

// The controls of one core column, by row.
struct CoreColumn {
    int temperature;
    int distance;
    int minimum;
    int minimumTime;
    int maximum;
    int maximumTime;
    int status;
};
constexpr CoreColumn CoreColumns[MainColumns] = {
    {IDC_TEMPERATURE0, IDC_DISTANCE0, IDC_MIN0, IDC_MIN_TIME0, IDC_MAX0, IDC_MAX_TIME0, IDC_STATUS0},
    {IDC_TEMPERATURE1, IDC_DISTANCE1, IDC_MIN1, IDC_MIN_TIME1, IDC_MAX1, IDC_MAX_TIME1, IDC_STATUS1},
    {IDC_TEMPERATURE2, IDC_DISTANCE2, IDC_MIN2, IDC_MIN_TIME2, IDC_MAX2, IDC_MAX_TIME2, IDC_STATUS2},
    {IDC_TEMPERATURE3, IDC_DISTANCE3, IDC_MIN3, IDC_MIN_TIME3, IDC_MAX3, IDC_MAX_TIME3, IDC_STATUS3},
};

// The group boxes, and those that carry the heading colour.
constexpr int MainFrames[] = {IDC_INFO_FRAME, IDC_TEMPERATURE_FRAME, IDC_DISTANCE_FRAME,
                              IDC_MINIMUM_FRAME, IDC_MAXIMUM_FRAME, IDC_STATUS_FRAME};
constexpr int HeadingFrames[] = {IDC_TEMPERATURE_FRAME, IDC_DISTANCE_FRAME, IDC_MINIMUM_FRAME,
                                 IDC_MAXIMUM_FRAME, IDC_STATUS_FRAME};

extern const dialog::DialogTemplate MainDialogTemplate;

} // namespace monitor
