#pragma once
// The date pop-up of the main window: when the mouse rests on a Minimum or
// Maximum field of a core column, a one-item menu shows the date that
// extreme was reached ("Aug 06"). Nothing is shown in the mini layout or
// over a column whose core does not exist.
//
// The hover area of each row covers both fields of the group and reaches up
// towards the group's caption; it is kept in dialog units, so it follows
// the dialog font. At the reference font (6 x 13 base units) of the
// four-column window the rows are client pixels 182-231 and 247-296. The
// four columns split the client width W (M = W/2, Q = (M+4)/2): column 0
// from 6 to Q-2, column 1 from Q+2 to M-2, column 2 from M+2 to the start of
// column 3 at (W+M-4)/2, column 3 up to W-7, all exclusive. Windows with
// another number of columns split the width between the fields.

#include "dialog/DialogUnits.h"
#include "monitor/ui/main/MainWindowLayout.h"

#include <QPoint>
#include <QString>

#include <optional>

namespace monitor {

class MainDialog;
class WindowPlacement;

enum class ExtremeRow { Minimum, Maximum };

// Client-pixel rows of the hover areas, both ends included.
struct HoverRows {
    int minimumTop;
    int minimumBottom;
    int maximumTop;
    int maximumBottom;
    bool operator==(const HoverRows&) const = default;
};

struct HoverCell {
    ExtremeRow row;
    int column;
};

class DateHover {
public:
    static constexpr int RestMilliseconds = 3000;

    explicit DateHover(const WindowPlacement& placement);

    static HoverRows rows(const MainWindowLayout& layout, const dialog::DialogUnits& units);
    static std::optional<HoverCell> cellAt(const MainWindowLayout& layout, const dialog::DialogUnits& units,
                                           int clientWidth, QPoint clientPoint);

    // The date the pop-up shows for a client point; nothing when none.
    std::optional<QString> dateAt(MainDialog& window, QPoint clientPoint) const;
    void show(MainDialog& window, QPoint clientPoint);

private:
    const WindowPlacement& m_placement;
};

} // namespace monitor
