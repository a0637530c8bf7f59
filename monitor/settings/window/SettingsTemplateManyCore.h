#pragma once
// The many-core build's settings window: the six-core window's groups with
// an idle calibration box and a TjMax box for every core, in rows of up to
// sixteen under the cores' headings, and a grid of icon boxes with their
// colour buttons sized to the core count. The groups below keep the
// six-core layout, moved down and the window widened as the grids need.

#include "monitor/settings/window/SettingsDialogTemplate.h"

#include <deque>
#include <string>
#include <vector>

namespace monitor {

struct ManyCoreSettingsTemplate {
    // Boxes per row of the calibration grid.
    static constexpr int CalibrationColumns = 16;

    // One column per core slot 0 .. labels.size() - 1.
    std::vector<SettingsColumn> columns;
    std::vector<dialog::ControlSpec> controls;
    std::deque<std::string> texts;
    dialog::DialogTemplate window{};
};

// The window for cores headed by `labels` (one per core slot); made once
// per set of labels and kept for the program's run.
const ManyCoreSettingsTemplate& settingsTemplateManyCore(const std::vector<std::string>& labels);

} // namespace monitor
