// The date pop-up over the Minimum and Maximum fields: where it reacts, and
// what it shows.

#include "tests/monitor/ui/MonitorRig.h"

#include "hw/BuildFlavour.h"
#include "monitor/ui/placement/DateHover.h"
#include "monitor/ui/desktop/FixedScreenList.h"
#include "monitor/ui/main/MainDialogTemplateSixCore.h"
#include "monitor/ui/placement/WindowPlacement.h"

#include <ctime>

namespace {

using namespace monitor;
using uitest::MonitorRig;

const dialog::DialogUnits ReferenceFont(6, 13);

TEST(DateHoverRows, AtTheReferenceFontAreClientRows182To231And247To296)
{
    for (const hw::BuildFlavour* flavour : {&hw::FourCoreBuild, &hw::SixCoreBuild})
        EXPECT_EQ(DateHover::rows(mainWindowLayoutFor(*flavour), ReferenceFont), (HoverRows{182, 231, 247, 296}));
}

TEST(DateHoverColumns, FourColumnsSplitTheClientWidth)
{
    const MainWindowLayout& layout = mainWindowLayoutFor(hw::FourCoreBuild);
    const int width = ReferenceFont.toPixelsX(layout.dialogTemplate.width); // 312: M 156, Q 80
    // x -> column, -1 for none; y 200 is in the Minimum row.
    const std::pair<int, int> cases[] = {{6, -1},    {7, 0},    {77, 0},   {78, -1},  {82, -1}, {83, 1},
                                         {153, 1},   {154, -1}, {158, -1}, {159, 2},  {232, 2}, {233, 3},
                                         {304, 3},   {305, -1}};
    for (const auto& [x, column] : cases) {
        const auto cell = DateHover::cellAt(layout, ReferenceFont, width, {x, 200});
        EXPECT_EQ(cell ? cell->column : -1, column) << "x " << x;
    }
    EXPECT_FALSE(DateHover::cellAt(layout, ReferenceFont, width, {100, 181}));
    EXPECT_EQ(DateHover::cellAt(layout, ReferenceFont, width, {100, 296})->row, ExtremeRow::Maximum);
}

TEST(DateHoverColumns, SixColumnsFollowTheirFields)
{
    const MainWindowLayout& layout = mainWindowLayoutFor(hw::SixCoreBuild);
    const int width = ReferenceFont.toPixelsX(layout.dialogTemplate.width);
    for (int column = 0; column < 6; ++column) {
        const dialog::ControlSpec* field = nullptr;
        for (const dialog::ControlSpec& spec : layout.dialogTemplate.controls)
            if (spec.id == layout.columns[column].maximum)
                field = &spec;
        ASSERT_NE(field, nullptr);
        const QRect pixels = ReferenceFont.toPixels(field->x, field->y, field->w, field->h);
        for (int x : {pixels.left() + 1, pixels.center().x(), pixels.right()}) {
            const auto cell = DateHover::cellAt(layout, ReferenceFont, width, {x, pixels.center().y()});
            ASSERT_TRUE(cell) << "column " << column << " x " << x;
            EXPECT_EQ(cell->column, column);
            EXPECT_EQ(cell->row, ExtremeRow::Maximum);
        }
    }
}

struct HoverRig {
    FixedScreenList screens{{QRect(0, 0, 1920, 1040)}};
    WindowPlacement placement{screens, Composition::Off};
    DateHover hover{placement};
    MonitorRig rig;

    HoverRig(const std::string& profile, std::vector<int> readouts, const hw::BuildFlavour& flavour)
        : rig(profile, std::move(readouts), "", {.placement = &placement}, flavour)
    {
        EXPECT_EQ(rig.start(), StartupOutcome::Running);
        rig.tick(2);
    }
    std::optional<QString> dateOver(int id) { return hover.dateAt(*rig.window, rig.window->control(id)->geometry().center()); }
};

QString monthDay(const std::optional<std::tm>& time)
{
    char text[16] = {};
    std::strftime(text, sizeof text, "%b %d", &*time);
    return QString::fromLatin1(text);
}

TEST(DateHover, MaximumFieldShowsTheDateItWasReached)
{
    for (const bool sixColumns : {false, true}) {
        SCOPED_TRACE(sixColumns ? "six columns" : "four columns");
        HoverRig h(sixColumns ? "i7-980x" : "i7-2600k", {40, 35, 30, 25, 20, 15},
                   sixColumns ? hw::SixCoreBuild : hw::FourCoreBuild);
        const int last = static_cast<int>(h.rig.window->layout().columns.size()) - 1;
        const CoreSample& core = h.rig.records->cycle->samples().cores[last];
        ASSERT_TRUE(core.maxTemperatureTime);
        EXPECT_EQ(h.dateOver(h.rig.window->layout().columns[last].maximumTime), monthDay(core.maxTemperatureTime));
        EXPECT_EQ(h.dateOver(h.rig.window->layout().columns[0].minimum),
                  monthDay(h.rig.records->cycle->samples().cores[0].minTemperatureTime));
        // Elsewhere on the window nothing shows.
        EXPECT_FALSE(h.dateOver(h.rig.window->layout().columns[0].temperature));
    }
}

// The many-core window's fields sit in scrolled rows: the field under the
// mouse tells the cell.
TEST(DateHover, ManyCoreFieldsInScrolledRowsShowTheirDates)
{
    HoverRig h("i9-13900k", std::vector<int>(24, 40), hw::ManyCoreBuild);
    ASSERT_TRUE(h.rig.window->columnsScroll());
    h.rig.window->show(); // lays the scrolled rows out
    const auto over = [&h](int id) {
        const QWidget* field = h.rig.window->control(id);
        return h.hover.dateAt(*h.rig.window, field->mapTo(h.rig.window.get(), field->rect().center()));
    };
    const std::span<const CoreColumn> columns = h.rig.window->columns();
    const std::array<CoreSample, hw::MaxCoreSlots>& cores = h.rig.records->cycle->samples().cores;
    EXPECT_EQ(over(columns[7].maximumTime), monthDay(cores[7].maxTemperatureTime));
    EXPECT_EQ(over(columns[9].minimum), monthDay(cores[9].minTemperatureTime));
    EXPECT_FALSE(over(columns[9].temperature));
}

TEST(DateHover, NothingOverAMissingCoreOrInTheMiniLayout)
{
    HoverRig h("e8400", {50, 45}, hw::FourCoreBuild);
    EXPECT_TRUE(h.dateOver(IDC_MAX1));
    EXPECT_FALSE(h.dateOver(IDC_MAX2));
    EXPECT_FALSE(h.dateOver(IDC_MIN3));

    h.placement.toggleMiniMode(*h.rig.window);
    EXPECT_FALSE(h.hover.dateAt(*h.rig.window, {20, 20}));
    EXPECT_FALSE(h.dateOver(IDC_MAX1));
}

} // namespace
