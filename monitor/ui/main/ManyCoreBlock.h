#pragma once
// The many-core build's main window: the core columns of every core, laid
// out in bands of up to eight columns stacked under the information group,
// each column headed by its core ("P3", "E12", or the plain number). Up to
// 24 cores a band is the six-core window's frames eight columns wide; from
// 32 cores each band is one compact frame with a line per figure and the
// figures' names on its left. The block of bands scrolls when the window
// would be taller than the screen allows (MainDialog does that).
//
// The first band's frames (or, compact, its names) carry the identifiers
// of the other builds' frames (IDC_TEMPERATURE_FRAME ...), so their
// captions and heading colours follow the same rules; the later bands'
// copies are listed in `headingCopies`.

#include "dialog/ControlSpec.h"
#include "monitor/ui/main/MainDialogTemplate.h"

#include <deque>
#include <string>
#include <vector>

namespace monitor {

struct ManyCoreBlock {
    // Columns per band, and the core count from which bands are compact.
    static constexpr int BandColumns = 8;
    static constexpr int CompactFrom = 32;

    // One column per core slot 0 .. labels.size() - 1.
    std::vector<CoreColumn> columns;
    std::vector<dialog::ControlSpec> controls;
    // The heading frames of the first band and their copies in later bands.
    struct HeadingCopy {
        int frame;
        int copy;
    };
    std::vector<HeadingCopy> headingCopies;
    bool compact = false;
    // The window's client width, and the block's top and height (dialog units).
    int width = 0;
    int top = 0;
    int height = 0;

    // Where the information group and the button row go for this block, and
    // the client height with them.
    std::vector<dialog::ControlSpec> fixedControls() const;
    int clientHeight() const;

private:
    friend ManyCoreBlock manyCoreBlock(const std::vector<std::string>& labels);
    std::deque<std::string> m_texts; // the labels' texts, kept for the controls
};

// The block for columns headed by `labels` (one per core slot).
ManyCoreBlock manyCoreBlock(const std::vector<std::string>& labels);

// The window before the cores are known: the information group and the
// button row of an eight-column window, without core columns.
const dialog::DialogTemplate& mainDialogTemplateManyCore();

} // namespace monitor
