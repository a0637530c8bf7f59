#include "monitor/ui/placement/DateHover.h"

#include "monitor/ui/main/MainDialog.h"
#include "monitor/ui/placement/WindowPlacement.h"

#include <QMenu>

#include <ctime>
#include <stdexcept>

namespace monitor {

namespace {

// How far a row's hover area reaches above the value field and below the
// time field, in dialog units.
struct RowReach {
    int above;
    int below;
};
constexpr RowReach MinimumReach{7, 0};
constexpr RowReach MaximumReach{6, 1};

const dialog::ControlSpec& specOf(const MainWindowLayout& layout, int id)
{
    for (const dialog::ControlSpec& spec : layout.dialogTemplate.controls)
        if (spec.id == id)
            return spec;
    throw std::logic_error("main window template lacks a core field");
}

std::pair<int, int> rowPixels(const MainWindowLayout& layout, const dialog::DialogUnits& units, int valueId,
                              int timeId, RowReach reach)
{
    const dialog::ControlSpec& value = specOf(layout, valueId);
    const dialog::ControlSpec& time = specOf(layout, timeId);
    return {units.toPixelsY(value.y - reach.above), units.toPixelsY(time.y + time.h + reach.below)};
}

std::optional<int> fourColumnAt(int width, int x)
{
    const int m = width / 2;
    const int q = (m + 4) / 2;
    std::optional<int> column;
    if (m + 2 < x && x < width - 7)
        column = 2;
    if ((width + m - 4) / 2 < x && x < width - 7)
        column = 3;
    if (6 < x && x < q - 2)
        column = 0;
    if (q + 2 < x && x < m - 2)
        column = 1;
    return column;
}

// Each column reaches halfway into the gaps beside its fields; the outer
// columns as far beyond their outer edges.
std::optional<int> fieldColumnAt(const MainWindowLayout& layout, const dialog::DialogUnits& units, int x)
{
    const int count = static_cast<int>(layout.columns.size());
    const auto field = [&](int column) -> const dialog::ControlSpec& {
        return specOf(layout, layout.columns[column].minimum);
    };
    const int halfGap = count > 1 ? (field(1).x - (field(0).x + field(0).w)) / 2 : 0;
    for (int column = 0; column < count; ++column) {
        const int left = field(column).x - halfGap;
        const int right = field(column).x + field(column).w + halfGap;
        if (units.toPixelsX(left) < x && x < units.toPixelsX(right))
            return column;
    }
    return std::nullopt;
}

// The many-core window's columns may scroll: the field under the point tells.
std::optional<HoverCell> fieldCellAt(MainDialog& window, QPoint clientPoint)
{
    const int id = window.controlId(window.childAt(clientPoint));
    const std::span<const CoreColumn> columns = window.columns();
    for (size_t column = 0; column < columns.size(); ++column) {
        const CoreColumn& c = columns[column];
        if (id == c.minimum || id == c.minimumTime)
            return HoverCell{ExtremeRow::Minimum, static_cast<int>(column)};
        if (id == c.maximum || id == c.maximumTime)
            return HoverCell{ExtremeRow::Maximum, static_cast<int>(column)};
    }
    return std::nullopt;
}

} // namespace

DateHover::DateHover(const WindowPlacement& placement) : m_placement(placement) {}

HoverRows DateHover::rows(const MainWindowLayout& layout, const dialog::DialogUnits& units)
{
    const CoreColumn& first = layout.columns.front();
    const auto [minTop, minBottom] = rowPixels(layout, units, first.minimum, first.minimumTime, MinimumReach);
    const auto [maxTop, maxBottom] = rowPixels(layout, units, first.maximum, first.maximumTime, MaximumReach);
    return {minTop, minBottom, maxTop, maxBottom};
}

std::optional<HoverCell> DateHover::cellAt(const MainWindowLayout& layout, const dialog::DialogUnits& units,
                                           int clientWidth, QPoint clientPoint)
{
    const HoverRows r = rows(layout, units);
    const int y = clientPoint.y();
    ExtremeRow row;
    if (r.minimumTop <= y && y <= r.minimumBottom)
        row = ExtremeRow::Minimum;
    else if (r.maximumTop <= y && y <= r.maximumBottom)
        row = ExtremeRow::Maximum;
    else
        return std::nullopt;
    const std::optional<int> column = layout.columns.size() == 4 ? fourColumnAt(clientWidth, clientPoint.x())
                                                                 : fieldColumnAt(layout, units, clientPoint.x());
    if (!column)
        return std::nullopt;
    return HoverCell{row, *column};
}

std::optional<QString> DateHover::dateAt(MainDialog& window, QPoint clientPoint) const
{
    if (m_placement.miniLayout())
        return std::nullopt;
    const std::optional<HoverCell> cell = window.layout().coreColumns == CoreColumnsStyle::PerCore
                                              ? fieldCellAt(window, clientPoint)
                                              : cellAt(window.layout(), window.units(), window.width(), clientPoint);
    if (!cell)
        return std::nullopt;
    MonitorRecords& records = window.records();
    if (!records.info.corePresent(cell->column) || cell->column >= records.flavour.coreSlots || !records.cycle)
        return std::nullopt;
    const CoreSample& core = records.cycle->samples().cores[cell->column];
    const std::optional<std::tm>& when =
        cell->row == ExtremeRow::Minimum ? core.minTemperatureTime : core.maxTemperatureTime;
    if (!when)
        return std::nullopt;
    char text[32] = {};
    std::strftime(text, sizeof text, "%b %d", &*when);
    return QString::fromLatin1(text);
}

void DateHover::show(MainDialog& window, QPoint clientPoint)
{
    const std::optional<QString> date = dateAt(window, clientPoint);
    if (!date)
        return;
    QMenu menu(&window);
    menu.addAction(*date);
    const QSize size = menu.sizeHint();
    menu.exec(window.mapToGlobal(clientPoint) - QPoint(size.width() / 2, size.height()));
}

} // namespace monitor
