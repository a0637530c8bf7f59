#pragma once
// Texts the graphics information windows share: temperatures in the display
// unit and the dates and times of the extremes.

#include "monitor/settings/MonitorSettings.h"

#include <QString>

#include <ctime>

namespace monitor {

// A temperature in °C in the settings' unit.
int gpuDisplayTemperature(const MonitorSettings& settings, int celsius);
// "%m/%d/%Y" and "%X" of a time.
QString gpuDateText(const std::tm& time);
QString gpuClockText(const std::tm& time);
// "Minimum (°C)" and the like, with the settings' unit text.
QString withUnitCaption(const char* heading, const MonitorSettings& settings);

} // namespace monitor
