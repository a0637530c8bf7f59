#pragma once
// The Sensor Test window's controls (dialog 148, 233 x 272 dialog units):
// the movement row, the ten result rows with their load column, the status
// line and the three buttons.

#include "dialog/ControlSpec.h"

namespace monitor {

// Result rows of the cool-down test.
constexpr int SensorTestRows = 10;

const dialog::DialogTemplate& sensorTestTemplate();
// The cell of result row 1..10 for core slot 0..3, and the row's load cell.
int sensorTestRowCell(int row, int slot);
int sensorTestLoadCell(int row);

} // namespace monitor
