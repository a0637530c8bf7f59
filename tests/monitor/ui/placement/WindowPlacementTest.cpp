// The main window's place on the desktop: positions restored and checked
// against the work areas, the composition corrections, the anchor, the
// context menu's commands and the mini layout.

#include "tests/monitor/ui/FakeMouse.h"
#include "tests/monitor/ui/FakeWindows.h"
#include "tests/monitor/ui/MonitorRig.h"

#include "dialog/MessageBoxStyle.h"
#include "hw/BuildFlavour.h"
#include "monitor/settings/PackedPosition.h"
#include "monitor/ui/desktop/FixedScreenList.h"
#include "monitor/ui/placement/MainContextMenu.h"
#include "monitor/ui/main/MainDialogTemplate.h"
#include "monitor/ui/placement/WindowPlacement.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

namespace {

using namespace monitor;
using dialog::ServiceKind;
using uitest::MonitorRig;

const QRect Primary(0, 0, 1920, 1040);
const QRect LeftOfPrimary(-1280, 0, 1280, 1000);

// A started monitor whose window sits at `place`, with the placement parts.
struct PlacementRig {
    FixedScreenList screens;
    WindowPlacement placement;
    MainContextMenu menu{placement};
    MonitorRig rig;

    PlacementRig(std::vector<QRect> workAreas, Composition composition = Composition::Off,
                 const std::string& ini = "", const hw::BuildFlavour& flavour = hw::FourCoreBuild)
        : screens(std::move(workAreas))
        , placement(screens, composition)
        , rig("i7-2600k", {40, 35, 30, 25}, ini, {.placement = &placement}, flavour)
    {
        rig.window->move(300, 300);
        EXPECT_EQ(rig.start(), StartupOutcome::Running);
    }

    MainDialog& window() { return *rig.window; }
    QPoint place() { return window().frameGeometry().topLeft(); }
    std::vector<dialog::ServiceCall> boxes() const { return rig.services.calls(ServiceKind::MessageBox); }
};

std::string windowXY(int x, int y) { return "WindowXY=" + std::to_string(packPosition({x, y})) + "\n"; }

struct CorrectionCase {
    PlacementOperation operation;
    WindowForm form;
    QPoint withComposition;
};

class CompositionCorrectionTable : public ::testing::TestWithParam<CorrectionCase> {};

TEST_P(CompositionCorrectionTable, AppliesOnlyWithComposition)
{
    const CorrectionCase& c = GetParam();
    EXPECT_EQ(CompositionCorrection(c.operation, c.form, Composition::On), c.withComposition);
    EXPECT_EQ(CompositionCorrection(c.operation, c.form, Composition::Off), QPoint());
}

using Op = PlacementOperation;
INSTANTIATE_TEST_SUITE_P(
    EveryOperation, CompositionCorrectionTable,
    ::testing::Values(CorrectionCase{Op::SaveWindowXY, WindowForm::Normal, {-5, -5}},
                      CorrectionCase{Op::SaveWindowXY, WindowForm::Mini, {0, 0}},
                      CorrectionCase{Op::RestoreWindowPosition, WindowForm::Normal, {5, 5}},
                      CorrectionCase{Op::RestoreWindowPosition, WindowForm::Mini, {5, 5}},
                      CorrectionCase{Op::SetAnchor, WindowForm::Normal, {-5, -5}},
                      CorrectionCase{Op::SetAnchor, WindowForm::Mini, {0, 0}},
                      CorrectionCase{Op::MoveToAnchor, WindowForm::Normal, {5, 5}},
                      CorrectionCase{Op::MoveToAnchor, WindowForm::Mini, {0, 0}},
                      CorrectionCase{Op::MoveToTopRight, WindowForm::Normal, {-5, 5}},
                      CorrectionCase{Op::MoveToTopRight, WindowForm::Mini, {0, 0}}));

struct RestoreCase {
    const char* name;
    std::vector<QRect> screens;
    std::string ini;
    Composition composition;
    QPoint expected;
};

class RestoreWindowPosition : public ::testing::TestWithParam<RestoreCase> {};

TEST_P(RestoreWindowPosition, MovesOnlyOntoAWorkArea)
{
    const RestoreCase& c = GetParam();
    PlacementRig p(c.screens, c.composition, c.ini);
    EXPECT_EQ(p.place(), c.expected);
}

const QPoint Created(300, 300);
INSTANTIATE_TEST_SUITE_P(
    Screens, RestoreWindowPosition,
    ::testing::Values(
        RestoreCase{"NoStoredPosition", {Primary}, "WindowXY=0\n", Composition::Off, Created},
        RestoreCase{"OnTheScreen", {Primary}, windowXY(100, 50), Composition::Off, {100, 50}},
        RestoreCase{"CorrectedForComposition", {Primary}, windowXY(100, 50), Composition::On, {105, 55}},
        RestoreCase{"OnARemovedScreen", {Primary}, windowXY(2200, 100), Composition::Off, Created},
        RestoreCase{"FiveVisiblePixelsAreEnough", {Primary}, windowXY(1915, 100), Composition::Off, {1915, 100}},
        RestoreCase{"FourVisiblePixelsAreNot", {Primary}, windowXY(1916, 100), Composition::Off, Created},
        RestoreCase{"TopAtTheWorkAreaBottom", {Primary}, windowXY(100, 1040), Composition::Off, Created},
        RestoreCase{"TitleBarAboveTheWorkArea", {Primary}, windowXY(100, -10), Composition::Off, Created},
        RestoreCase{"OnAScreenLeftOfThePrimary", {LeftOfPrimary, Primary}, windowXY(-1000, 200),
                    Composition::Off, {-1000, 200}}),
    [](const ::testing::TestParamInfo<RestoreCase>& info) { return std::string(info.param.name); });

TEST(WindowPlacement, MoveToTopRightMeetsTheWorkAreaCorner)
{
    PlacementRig p({LeftOfPrimary, Primary});
    p.placement.moveToTopRight(p.window());
    const QRect frame = p.window().frameGeometry();
    EXPECT_EQ(frame.x() + frame.width(), 1920);
    EXPECT_EQ(frame.y(), 0);
}

TEST(AnchorPosition, ReportsTheCurrentOrThePreviousAndNewPosition)
{
    PlacementRig p({Primary});
    p.window().move(200, 100);
    p.menu.runCommand(p.window(), ID_SET_ANCHOR);
    p.menu.runCommand(p.window(), ID_SET_ANCHOR);
    p.window().move(400, 300);
    p.menu.runCommand(p.window(), ID_SET_ANCHOR);

    const auto boxes = p.boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Previous Position\n( 0, 0 )\n\nNew Position\n( 200, 100 )\n");
    EXPECT_EQ(boxes[1].text, "Current Position\n( 200, 100 )\n");
    EXPECT_EQ(boxes[2].text, "Previous Position\n( 200, 100 )\n\nNew Position\n( 400, 300 )\n");
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "Anchor Position");
        EXPECT_EQ(box.flags, dialog::MB_OK);
    }
    const QSize size = p.window().frameGeometry().size();
    EXPECT_EQ(p.window().anchorRect(), (std::array<int, 4>{400, 300, 400 + size.width(), 300 + size.height()}));
}

struct AnchorCase {
    const char* name;
    std::vector<QRect> screens;
    Composition composition;
    std::array<int, 4> anchor;
    QPoint expected;
    bool errorShown;
};

class MoveToAnchor : public ::testing::TestWithParam<AnchorCase> {};

TEST_P(MoveToAnchor, MovesThereOrReturnsWithAnError)
{
    const AnchorCase& c = GetParam();
    PlacementRig p(c.screens, c.composition);
    p.window().setAnchorRect(c.anchor);
    p.menu.runCommand(p.window(), ID_MOVE_TO_ANCHOR);
    EXPECT_EQ(p.place(), c.expected);
    const auto boxes = p.boxes();
    ASSERT_EQ(boxes.size(), c.errorShown ? 1u : 0u);
    if (c.errorShown) {
        EXPECT_EQ(boxes[0].text, "Screen position is not available.\nSet a new Anchor Position.");
        EXPECT_EQ(boxes[0].caption, "Error");
        EXPECT_EQ(boxes[0].flags, dialog::MB_OK | dialog::MB_ICONERROR);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Anchors, MoveToAnchor,
    ::testing::Values(
        AnchorCase{"SetAnchor", {Primary}, Composition::Off, {640, 480, 952, 861}, {640, 480}, false},
        AnchorCase{"NoAnchorIsTheOrigin", {Primary}, Composition::Off, {}, {0, 0}, false},
        AnchorCase{"NoAnchorWithComposition", {Primary}, Composition::On, {}, {5, 5}, false},
        AnchorCase{"NoAnchorOffTheOnlyScreen", {LeftOfPrimary}, Composition::Off, {}, Created, true},
        AnchorCase{"AnchorOnARemovedScreen", {Primary}, Composition::Off, {2500, 100, 2500, 100}, Created, true}),
    [](const ::testing::TestParamInfo<AnchorCase>& info) { return std::string(info.param.name); });

TEST(MainContextMenu, ListsTheCommandsThenTheSystemMenuEntries)
{
    PlacementRig p({Primary});
    QAction* about = p.window().addSystemMenuEntry(0x10, QStringLiteral("&About..."));
    const std::unique_ptr<QMenu> menu = p.menu.build(p.window());
    QStringList items;
    for (const QAction* action : menu->actions())
        items << (action->isSeparator() ? QStringLiteral("-")
                                        : action->text() + (action->data().isValid()
                                                                ? QStringLiteral("=%1").arg(action->data().toInt())
                                                                : QString()));
    EXPECT_EQ(items, (QStringList{"Set Anchor Position=32781", "Move To Anchor=32782", "-",
                                  "Set Log File Location=32785", "-", "Minimize=32770", "Exit=32771", "-",
                                  "&About..."}));
    EXPECT_EQ(menu->actions().last(), about);
}

TEST(MainContextMenu, LogFileLocationDropsEveryTextAndCsvExtension)
{
    PlacementRig p({Primary});
    p.rig.services.answerFile(QStringLiteral("/home/u/run.txt/OstrelLog.csv.txt"));
    p.menu.runCommand(p.window(), ID_SET_LOG_FILE);
    EXPECT_EQ(p.rig.settings().LogFileName, "/home/u/run/OstrelLog");

    const auto files = p.rig.services.calls(ServiceKind::File);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].file.mode, dialog::FileDialogMode::Save);
    EXPECT_EQ(files[0].file.title, "Save Ostrel Log File As");
    EXPECT_EQ(files[0].file.fileName, "OstrelLog");
    EXPECT_EQ(files[0].file.filter, "All Files (*.*)|*.*||");
    EXPECT_EQ(files[0].file.defaultExtension, QString());

    // Cancelled: the name stays.
    p.menu.runCommand(p.window(), ID_SET_LOG_FILE);
    EXPECT_EQ(p.rig.settings().LogFileName, "/home/u/run/OstrelLog");
}

TEST(MainContextMenu, ExitEndsTheProgramThroughTheShutdown)
{
    PlacementRig p({Primary});
    p.menu.runCommand(p.window(), ID_EXIT);
    EXPECT_TRUE(p.window().ended());
    EXPECT_TRUE(p.window().stopRequested());
}

TEST(MainDialogParts, RightClickAndRestingMouseReachTheirParts)
{
    uitest::FakeWindows windows;
    uitest::FakeMouse mouse;
    MonitorRig rig("i7-2600k", {40, 35, 30, 25}, "", {.windows = &windows, .mouse = &mouse});
    ASSERT_EQ(rig.start(), StartupOutcome::Running);

    // The About entry does not take over the right click.
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 30), rig.window->mapToGlobal(QPoint(20, 30)));
    QApplication::sendEvent(rig.window.get(), &click);
    EXPECT_EQ(mouse.menus, std::vector<QPoint>{rig.window->mapToGlobal(QPoint(20, 30))});

    // Resting on a Maximum field rests on the window at that point.
    QWidget* field = rig.window->control(IDC_MAX1);
    const QPoint rest = field->geometry().center();
    const QPoint inField = field->mapFromParent(rest);
    QMouseEvent move(QEvent::MouseMove, inField, field->mapToGlobal(inField), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(field, &move);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !mouse.rests.empty(); }));
    EXPECT_EQ(mouse.rests.front(), rest);
}

// Centre x of a rectangle whose right edge is left + width.
int centreX(const QRect& r) { return (2 * r.x() + r.width()) / 2; }

struct MiniCase {
    const char* name;
    const hw::BuildFlavour* flavour;
    QPoint normalPlace;
    int expectedMiniTop;
};

class MiniLayout : public ::testing::TestWithParam<MiniCase> {};

TEST_P(MiniLayout, ClientIs312By123CentredAndTheRoundTripRestoresTheWindow)
{
    const MiniCase& c = GetParam();
    PlacementRig p({Primary}, Composition::Off, "", *c.flavour);
    MainDialog& w = p.window();
    w.move(c.normalPlace);
    const QRect normal = w.frameGeometry();
    const QSize normalClient = w.size();

    p.placement.toggleMiniMode(w);
    ASSERT_TRUE(p.placement.miniLayout());
    EXPECT_TRUE(p.rig.settings().MiniMode);
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w.size(), QSize(312, 123));
    EXPECT_EQ(centreX(w.frameGeometry()), centreX(normal));
    EXPECT_EQ(w.frameGeometry().y(), c.expectedMiniTop);
    // Never wider, at most 257 pixels taller.
    EXPECT_EQ(w.minimumSize(), QSize(312, 123));
    EXPECT_EQ(w.maximumSize(), QSize(312, 123 + 257));

    p.placement.toggleMiniMode(w);
    EXPECT_FALSE(p.placement.miniLayout());
    EXPECT_FALSE(p.rig.settings().MiniMode);
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w.size(), normalClient);
    EXPECT_EQ(w.minimumSize(), normalClient);
    EXPECT_EQ(w.maximumSize(), normalClient);
    EXPECT_EQ(w.frameGeometry().x(), normal.x());
    EXPECT_EQ(w.frameGeometry().y(), c.expectedMiniTop);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, MiniLayout,
    ::testing::Values(MiniCase{"FourColumns", &hw::FourCoreBuild, {400, 300}, 300},
                      MiniCase{"SixColumns", &hw::SixCoreBuild, {400, 300}, 300},
                      // Only 5 pixels of the mini window stay below the work area's top.
                      MiniCase{"AboveTheWorkArea", &hw::FourCoreBuild, {400, -400}, 5 - 123}),
    [](const ::testing::TestParamInfo<MiniCase>& info) { return std::string(info.param.name); });

} // namespace
