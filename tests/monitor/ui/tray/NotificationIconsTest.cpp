// The notification-area icons over a fake notification area: the digit
// pictures, which icons are added and in what order, what each icon shows
// and says, blinking, recovery after the icons were lost, and the icon menu.

#include "tests/monitor/ui/FakeNotificationArea.h"
#include "tests/monitor/ui/MonitorRig.h"

#include "monitor/settings/SettingsStore.h"
#include "monitor/ui/desktop/DescribedFont.h"
#include "monitor/ui/tray/DigitIcon.h"
#include "monitor/ui/desktop/FixedScreenList.h"
#include "monitor/ui/tray/IconMenu.h"
#include "monitor/ui/tray/NotificationIcons.h"
#include "monitor/ui/desktop/ProgramIcon.h"
#include "monitor/ui/placement/WindowPlacement.h"
#include "platform/IniFile.h"

#include <QMenu>
#include <QPainter>
#include <QTest>

namespace {

using namespace monitor;
using uitest::FakeNotificationArea;
using uitest::MonitorRig;

const QString Celsius = QString::fromUtf8("\xC2\xB0" "C");
constexpr int Core0 = 4294, Core1 = 4295, Core2 = 4296, Core3 = 4297, Gpu = 4298, Max = 4299;

struct IconRig {
    FakeNotificationArea area;
    NotificationIcons icons{area.factory(), [] { return true; }};
    FixedScreenList screens{{QRect(0, 0, 1280, 1024)}};
    WindowPlacement placement{screens, Composition::Off};
    IconMenu menu{icons, placement};
    std::unique_ptr<MonitorRig> rig;

    explicit IconRig(std::vector<int> readouts, const std::string& ini = "", bool gpu = false)
    {
        menu.attachTo(icons);
        rig = std::make_unique<MonitorRig>("i7-2600k", std::move(readouts), ini, MainDialogParts{.icons = &icons});
        EXPECT_EQ(rig->start(), StartupOutcome::Running);
        if (gpu) {
            // A graphics sensor at 60 °C.
            settings().gpuPresent = true;
            rig->records->cycle->setGpuReading([] { return std::optional<int>(60); });
        }
    }

    MonitorSettings& settings() { return rig->settings(); }
    MainDialog& window() { return *rig->window; }
    void tick(int count = 1) { rig->tick(count); }

    QImage digits(int value, Colour colour = DefaultIconColour)
    {
        const std::optional<QIcon> icon = makeDigitIcon(value, colourFromSetting(colour),
                                                        fontFromDescription(settings().iconFont), DigitCount::Two);
        return icon->pixmap(smallIconSize()).toImage();
    }
    QImage image(int identifier) const
    {
        const FakeNotificationArea::Entry* entry = area.find(identifier);
        return entry ? entry->image : QImage();
    }
    QString tip(int identifier) const
    {
        const FakeNotificationArea::Entry* entry = area.find(identifier);
        return entry ? entry->tip : QString();
    }
};

QImage programPicture() { return programIcon().pixmap(smallIconSize()).toImage(); }

// --- digit pictures -----------------------------------------------------------

struct DigitCase {
    int value;
    DigitCount digits;
    const char* text;
};

class DigitText : public testing::TestWithParam<DigitCase> {};

TEST_P(DigitText, FollowsThreeDigit)
{
    EXPECT_EQ(digitIconText(GetParam().value, GetParam().digits), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Values, DigitText,
    testing::Values(DigitCase{99, DigitCount::Two, "99"}, DigitCase{100, DigitCount::Two, "00"},
                    DigitCase{105, DigitCount::Two, "05"}, DigitCase{123, DigitCount::Two, "23"},
                    DigitCase{105, DigitCount::Three, "105"}, DigitCase{-5, DigitCount::Two, "-5"},
                    DigitCase{-12, DigitCount::Three, "-12"}, DigitCase{7, DigitCount::Two, "7"}));

struct PanelCase {
    QColor digits;
    QColor panel;
};

class DigitsOnAPanel : public testing::TestWithParam<PanelCase> {};

// The digits in their colour, ringed by a contrasting one, on a transparent
// small icon: laid on a light or a dark panel they stand out from it.
TEST_P(DigitsOnAPanel, StandOutFromIt)
{
    const PanelCase& c = GetParam();
    const std::optional<QIcon> icon = makeDigitIcon(88, c.digits, std::nullopt, DigitCount::Two);
    ASSERT_TRUE(icon);
    const QImage picture = icon->pixmap(smallIconSize()).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(picture.size(), smallIconSize());
    QImage onPanel(picture.size(), QImage::Format_ARGB32);
    onPanel.fill(c.panel);
    QPainter(&onPanel).drawImage(0, 0, picture);
    // Antialiased edges blend the digits' colour with the rim's.
    const auto near = [](int a, int b) { return std::abs(a - b) <= 24; };
    int inDigitColour = 0, standingOut = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            inDigitColour += pixel.alpha() >= 224 && near(pixel.red(), c.digits.red()) &&
                             near(pixel.green(), c.digits.green()) && near(pixel.blue(), c.digits.blue());
            standingOut += std::abs(onPanel.pixelColor(x, y).lightness() - c.panel.lightness()) >= 96;
        }
    EXPECT_GT(inDigitColour, 0);
    EXPECT_GE(standingOut, 20);
    for (const QPoint corner : {QPoint(0, 0), QPoint(picture.width() - 1, picture.height() - 1)})
        EXPECT_EQ(picture.pixelColor(corner).alpha(), 0);
}

INSTANTIATE_TEST_SUITE_P(Panels, DigitsOnAPanel,
                         testing::Values(PanelCase{Qt::white, QColor(0xF0, 0xF0, 0xF0)},
                                         PanelCase{Qt::white, QColor(0x20, 0x20, 0x20)},
                                         PanelCase{QColor(0x10, 0x10, 0x80), QColor(0x20, 0x20, 0x20)},
                                         PanelCase{QColor(255, 0, 0), QColor(0xF0, 0xF0, 0xF0)}));

// "3 Digits" at the 22 pixels of a common panel: the icon has a picture of
// that size (and of the other sizes panels ask for), every digit lies inside
// it, and the three glyphs stand apart and differ (a "106" drawn at 16 pixels
// and clipped reads as "LOE").
TEST(DigitIcon, ThreeDigitsAreWholeAtThePanelSize)
{
    IconRig icons({40, 35, 30, 25});
    const std::optional<QIcon> icon =
        makeDigitIcon(106, Qt::white, fontFromDescription(icons.settings().iconFont), DigitCount::Three);
    ASSERT_TRUE(icon);
    for (const int side : {16, 22, 24, 32, 48})
        EXPECT_TRUE(icon->availableSizes().contains(QSize(side, side))) << side;
    constexpr int Side = 22;
    const QImage picture = icon->pixmap(QSize(Side, Side)).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(picture.size(), QSize(Side, Side));

    // The digits' own pixels (light and nearly opaque), gathered into glyphs
    // of touching pixels, left to right; each glyph as its pixels relative to
    // its top left.
    std::set<std::pair<int, int>> ink;
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x)
            if (picture.pixelColor(x, y).alpha() >= 192 && picture.pixelColor(x, y).lightness() >= 192)
                ink.insert({x, y});
    ASSERT_FALSE(ink.empty());
    for (const auto& [x, y] : ink)
        EXPECT_TRUE(x > 0 && y > 0 && x < Side - 1 && y < Side - 1) << "a digit touches the edge at " << x << "," << y;
    const auto [top, bottom] = std::minmax_element(ink.begin(), ink.end(),
                                                   [](const auto& a, const auto& b) { return a.second < b.second; });
    EXPECT_GE(bottom->second - top->second + 1, 9) << "digits too small to read";
    std::vector<std::set<std::pair<int, int>>> glyphs;
    while (!ink.empty()) {
        std::set<std::pair<int, int>> glyph;
        std::vector<std::pair<int, int>> open{*ink.begin()};
        ink.erase(ink.begin());
        while (!open.empty()) {
            const auto [x, y] = open.back();
            open.pop_back();
            glyph.insert({x, y});
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (ink.erase({x + dx, y + dy}) != 0)
                        open.push_back({x + dx, y + dy});
        }
        const int left = glyph.begin()->first;
        const int glyphTop = std::min_element(glyph.begin(), glyph.end(), [](const auto& a, const auto& b) {
                                 return a.second < b.second;
                             })->second;
        std::set<std::pair<int, int>> shape;
        for (const auto& [x, y] : glyph)
            shape.insert({x - left, y - glyphTop});
        glyphs.push_back(shape);
    }
    ASSERT_EQ(glyphs.size(), 3u);
    EXPECT_NE(glyphs[0], glyphs[1]);
    EXPECT_NE(glyphs[1], glyphs[2]);
    EXPECT_NE(glyphs[0], glyphs[2]);
}

// --- adding ---------------------------------------------------------------------

struct AddCase {
    const char* ini;
    std::set<int> refused;
    std::vector<int> order;
    int iconShow;
    bool iconMax;
    int taskBar;
};

class AddIcons : public testing::TestWithParam<AddCase> {};

TEST_P(AddIcons, AddsFromTheHighestSlotAndDropsRefusedIcons)
{
    const AddCase& c = GetParam();
    IconRig icons({40, 35, 30, 25}, c.ini);
    icons.area.refused = c.refused;
    icons.tick();
    EXPECT_EQ(icons.area.order(), c.order);
    EXPECT_EQ(icons.settings().IconShow, c.iconShow);
    EXPECT_EQ(icons.settings().IconMax, c.iconMax);
    EXPECT_EQ(icons.settings().TaskBar, c.taskBar);
    for (int refused : c.refused) // one retry for each icon but Max
        EXPECT_EQ(icons.area.addAttempts[refused], refused == Max ? 1 : 2) << refused;
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, AddIcons,
    testing::Values(AddCase{"IconShow=15\nIconMax=1\n", {}, {Core3, Core2, Core1, Core0, Max}, 15, true, 0},
                    AddCase{"IconShow=15\nIconMax=1\n", {Core1, Max}, {Core3, Core2, Core0}, 13, false, 0},
                    AddCase{"IconShow=3\nIconMax=1\n", {Core0, Core1, Max}, {}, 0, false, 1}));

// The desktop's panel starts after the program (or there is none): this run
// keeps a task-bar button, the file keeps the icons the user chose, and the
// icons come in the standard order as soon as a notification area appears.
TEST(AddIcons, ANotificationAreaThatComesLateGetsTheChosenIcons)
{
    IconRig icons({40, 35, 30, 25}, "IconShow=13\nIconMax=1\nStartMinimized=1\n");
    icons.area.refused = {Core0, Core1, Core2, Core3, Gpu, Max};
    icons.tick();
    EXPECT_TRUE(icons.area.docked.empty());
    EXPECT_EQ(icons.settings().TaskBar, 1);
    EXPECT_TRUE(icons.window().isVisible()); // minimised to its task-bar button

    const auto saved = [&icons] {
        SaveOnExit(icons.settings(), icons.rig->iniPath, ExitState{}, icons.rig->records->access,
                   icons.rig->records->layout);
        const platform::IniFile file(icons.rig->iniPath);
        return std::pair(file.readInt("Ostrel", "IconShow", -1), file.readInt("Ostrel", "IconMax", -1));
    };
    EXPECT_EQ(saved(), std::pair(13, 1));

    icons.area.refused.clear();
    icons.icons.notificationAreaAppeared(icons.window());
    EXPECT_EQ(icons.area.order(), (std::vector<int>{Core3, Core2, Core0, Max}));
    EXPECT_EQ(icons.settings().IconShow, 13);
    EXPECT_TRUE(icons.settings().IconMax);
    EXPECT_EQ(icons.settings().TaskBar, 0);
    EXPECT_FALSE(icons.window().isVisible()); // in the notification area now
    icons.tick();
    EXPECT_EQ(icons.image(Core2), icons.digits(68));
    EXPECT_EQ(saved(), std::pair(13, 1));

    // Redrawn while the notification area refuses them: they wait again.
    icons.area.refused = {Core0, Core2, Core3};
    icons.icons.redrawIcons(icons.window());
    EXPECT_EQ(icons.settings().IconShow, 0);
    EXPECT_EQ(saved(), std::pair(13, 1));
}

TEST(AddIcons, SixCoreBuildHasSixCoreIconsAndTheGpuOnBit8)
{
    FakeNotificationArea area;
    NotificationIcons icons(area.factory());
    MonitorRig rig("i7-980x", {40, 39, 38, 37, 36, 35}, "IconShow=319\nIconMax=1\nIconTextColor8=0x00FF00\n",
                   {.icons = &icons}, hw::SixCoreBuild);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.settings().gpuPresent = true;
    rig.settings().IconShow = 0x13F;
    rig.records->cycle->setGpuReading([] { return std::optional<int>(61); });
    rig.tick();
    EXPECT_EQ(area.order(), (std::vector<int>{4302, 4299, 4298, 4297, 4296, 4295, 4294, 4303}));
    const QImage gpuDigits = makeDigitIcon(61, QColor(0, 255, 0), fontFromDescription(rig.settings().iconFont),
                                           DigitCount::Two)->pixmap(smallIconSize()).toImage();
    EXPECT_EQ(area.find(4302)->image, gpuDigits);
}

// --- what the icons show --------------------------------------------------------

struct ModeCase {
    int iconShow;
    int expected; // core 0 after readouts 40 then 29 (58 then 69 °C at TjMax 98)
};

class IconMode : public testing::TestWithParam<ModeCase> {};

TEST_P(IconMode, ShowsTheValueOfTheModeTable)
{
    IconRig icons({40, 35, 30, 25}, "IconShow=" + std::to_string(GetParam().iconShow) + "\n");
    icons.tick();
    icons.rig->cpu->pinReadout(0, 29);
    icons.tick();
    EXPECT_EQ(icons.image(Core0), icons.digits(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, IconMode,
    testing::Values(ModeCase{0x001, 69}, ModeCase{0x201, 58}, ModeCase{0x401, 69},
                    ModeCase{0x801, 64},            // (58 + 69) / 2 + 0.5
                    ModeCase{0xE01, 64}, ModeCase{0x601, 69}, // Average over Maximum over Minimum
                    ModeCase{0x1001, 29}, ModeCase{0x1201, 29}, ModeCase{0x1401, 40},
                    ModeCase{0x1801, 35})); // (40 + 29) / 2 + 0.5

TEST(IconTips, TheFirstShownIconCarriesTheFullTipAndTheGpuItsOwn)
{
    // Core 2 and the GPU, in distance mode.
    IconRig icons({40, 35, 30, 25}, "IconShow=4116\n", true);
    icons.settings().IconShow = 0x1014;
    icons.tick();
    const QString full = "Core 0:  58" + Celsius + "\nCore 1:  63" + Celsius + "\nCore 2:  68" + Celsius +
                         "\nCore 3:  73" + Celsius;
    EXPECT_EQ(icons.area.order(), (std::vector<int>{Gpu, Core2}));
    EXPECT_EQ(icons.tip(Core2), full);
    EXPECT_EQ(icons.tip(Gpu), "GPU Temp\nMin = 60" + Celsius + "\nMax = 60" + Celsius);
    EXPECT_EQ(icons.image(Gpu), icons.digits(60)); // temperatures even in distance mode
    EXPECT_EQ(icons.image(Core2), icons.digits(30));


    IconRig cores({40, 35, 30, 25}, "IconShow=15\n");
    cores.tick();
    EXPECT_EQ(cores.tip(Core0), full);
    EXPECT_EQ(cores.tip(Core1), "Core 1");
    cores.settings().TrayInfo = 1;
    cores.tick();
    for (int id : {Core0, Core1, Core2, Core3})
        EXPECT_EQ(cores.tip(id), full) << id;
}

TEST(IconUpdates, AnUnchangedValueIsSentOnlyForTheFirstShownIcon)
{
    IconRig icons({40, 35, 30, 25}, "IconShow=3\n");
    icons.tick(2);
    EXPECT_EQ(icons.area.modifies[Core0], 2);
    EXPECT_EQ(icons.area.modifies[Core1], 1);
    icons.rig->cpu->pinReadout(1, 20);
    icons.tick();
    EXPECT_EQ(icons.area.modifies[Core1], 2);
    EXPECT_EQ(icons.image(Core1), icons.digits(78));
}

TEST(IconUpdates, OnlyTheIconInAlarmBlinks)
{
    // Core 2 at 68 °C, core 3 at 73 °C; the alarm at 70 °C.
    IconRig icons({40, 35, 30, 25}, "IconShow=15\nAlarm=1\nAlarm1=70\n");
    icons.tick(); // tickCount 1: odd
    EXPECT_EQ(icons.image(Core3), programPicture());
    for (int id : {Core0, Core1, Core2})
        EXPECT_NE(icons.image(id), programPicture()) << id;
    EXPECT_EQ(icons.image(Core2), icons.digits(68));
    icons.tick(); // even: the digits are back
    EXPECT_EQ(icons.image(Core3), icons.digits(73));
    icons.tick();
    EXPECT_EQ(icons.image(Core3), programPicture());
}

TEST(IconUpdates, LostIconsComeBackWithinSixCyclesAndRedrawKeepsSetAndOrder)
{
    IconRig icons({40, 35, 30, 25}, "IconShow=13\nIconMax=1\n");
    icons.tick();
    const std::vector<int> order = icons.area.order();
    ASSERT_EQ(order, (std::vector<int>{Core3, Core2, Core0, Max}));

    icons.area.lose();
    icons.tick(4); // ticks 2..5: the Max icon is added again at once, the others wait
    EXPECT_EQ(icons.area.order(), std::vector<int>{Max});
    icons.tick(); // tick 6
    EXPECT_EQ(icons.area.order(), (std::vector<int>{Max, Core3, Core2, Core0}));
    EXPECT_EQ(icons.image(Core2), icons.digits(68));

    icons.menu.runCommand(icons.window(), IconMenuCommand::RedrawIcons);
    EXPECT_EQ(icons.area.order(), order);
    EXPECT_EQ(icons.settings().IconShow, 13);
    EXPECT_TRUE(icons.settings().IconMax);
}

TEST(IconUpdates, ASizeEventWithTheFirstIconLostKeepsATaskBarButton)
{
    IconRig icons({40, 35, 30, 25}, "IconShow=6\n");
    icons.tick();
    icons.window().restoreWindow();
    EXPECT_EQ(icons.settings().TaskBar, 0);
    icons.area.lose();
    icons.window().minimizeWindow();
    EXPECT_EQ(icons.settings().TaskBar, 1);
    EXPECT_TRUE(icons.window().isVisible()); // minimised to its task-bar button, not hidden
}

TEST(IconUpdates, TheMaxIconShowsTheHottestCoreOrTheSmallestDistance)
{
    IconRig icons({40, 35, 30, 25}, "IconShow=1\nIconMax=1\nCoreMax=0x0000FF\n");
    icons.tick();
    EXPECT_EQ(icons.image(Max), icons.digits(73, 0x0000FF));
    EXPECT_EQ(icons.tip(Max), icons.tip(Core0));
    icons.settings().IconShow |= NotificationIcons::DistanceBit;
    icons.tick();
    EXPECT_EQ(icons.image(Max), icons.digits(25, 0x0000FF));
}

TEST(IconEvents, EveryIconIncludingMaxReachesTheHandler)
{
    using dialog::TrayEvent;
    IconRig icons({40, 35, 30, 25}, "IconShow=3\nIconMax=1\n");
    icons.tick();
    std::vector<TrayEvent> seen;
    icons.icons.setEventHandler([&seen](MainDialog&, TrayEvent event) { seen.push_back(event); });
    for (int id : {Core0, Core1, Max})
        icons.area.click(id, TrayEvent::RightButtonDown);
    icons.area.click(Max, TrayEvent::LeftDoubleClick);
    EXPECT_EQ(seen, (std::vector<TrayEvent>{TrayEvent::RightButtonDown, TrayEvent::RightButtonDown,
                                            TrayEvent::RightButtonDown, TrayEvent::LeftDoubleClick}));
}

// --- the menu ---------------------------------------------------------------------

struct MenuEntry {
    QString text;
    bool checked;
};

std::vector<MenuEntry> entries(QMenu& menu)
{
    std::vector<MenuEntry> result;
    for (QAction* action : menu.actions())
        result.push_back({action->isSeparator() ? QStringLiteral("-") : action->text(), action->isChecked()});
    return result;
}

std::vector<QString> texts(QMenu& menu)
{
    std::vector<QString> result;
    for (const MenuEntry& entry : entries(menu))
        result.push_back(entry.text);
    return result;
}

TEST(IconMenu, EntriesFollowTheWindowState)
{
    IconRig icons({40, 35, 30, 25}, "IconShow=1\nTaskBar=1\n");
    icons.tick();
    ASSERT_FALSE(icons.window().isVisible());
    const std::vector<QString> common{"Core Temperature", "Distance to TJ Max", "-", "Current", "Minimum",
                                      "Maximum", "Average", "-", "Reset (Min/Max)", "-", "Redraw Icons",
                                      "Move to Top Right", "-"};
    auto expect = [&](std::vector<QString> tail) {
        std::vector<QString> all = common;
        all.insert(all.end(), tail.begin(), tail.end());
        EXPECT_EQ(texts(*icons.menu.build(icons.window())), all);
    };
    expect({"Restore", "Exit"}); // hidden
    icons.window().restoreWindow();
    expect({"Minimize", "Exit"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return icons.window().isActiveWindow(); })); // the user minimises a window that came back
    icons.window().showMinimized(); // minimised to its task-bar button
    ASSERT_FALSE(icons.window().windowRestored());
    expect({"Minimize", "Restore", "Exit"});
}

struct CheckCase {
    int iconShow;
    std::vector<QString> checked;
};

class IconMenuChecks : public testing::TestWithParam<CheckCase> {};

TEST_P(IconMenuChecks, MarkTheModeOfIconShow)
{
    IconRig icons({40, 35, 30, 25});
    icons.settings().IconShow = GetParam().iconShow;
    std::vector<QString> checked;
    for (const MenuEntry& entry : entries(*icons.menu.build(icons.window())))
        if (entry.checked)
            checked.push_back(entry.text);
    EXPECT_EQ(checked, GetParam().checked);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, IconMenuChecks,
    testing::Values(CheckCase{0x001, {"Core Temperature", "Current"}},
                    CheckCase{0x201, {"Core Temperature", "Minimum"}},
                    CheckCase{0x1401, {"Distance to TJ Max", "Maximum"}},
                    CheckCase{0x1801, {"Distance to TJ Max", "Average"}}));

struct CommandCase {
    IconMenuCommand command;
    int before;
    int after;
};

class IconMenuModes : public testing::TestWithParam<CommandCase> {};

TEST_P(IconMenuModes, ChangeIconShow)
{
    IconRig icons({40, 35, 30, 25});
    icons.settings().IconShow = GetParam().before;
    icons.menu.runCommand(icons.window(), GetParam().command);
    EXPECT_EQ(icons.settings().IconShow, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, IconMenuModes,
    testing::Values(CommandCase{IconMenuCommand::CoreTemperature, 0x3A03, 0x0A03},
                    CommandCase{IconMenuCommand::DistanceToTjMax, 0x0203, 0x1203},
                    CommandCase{IconMenuCommand::Current, 0x1F03, 0x1003},
                    CommandCase{IconMenuCommand::Minimum, 0x0D03, 0x0203},
                    CommandCase{IconMenuCommand::Maximum, 0x1203, 0x1403},
                    CommandCase{IconMenuCommand::Average, 0x0403, 0x0803}));

// In the six-core build bit 8 is the GPU icon: a mode command keeps it, and
// the icon keeps showing the GPU in the new mode.
TEST(IconMenu, ModeCommandsKeepTheSixCoreGpuIcon)
{
    FakeNotificationArea area;
    NotificationIcons icons(area.factory());
    FixedScreenList screens{{QRect(0, 0, 1280, 1024)}};
    WindowPlacement placement{screens, Composition::Off};
    IconMenu menu{icons, placement};
    MonitorRig rig("i7-980x", {40, 39, 38, 37, 36, 35}, "IconShow=257\n", {.icons = &icons}, hw::SixCoreBuild);
    ASSERT_EQ(rig.start(), StartupOutcome::Running);
    rig.settings().gpuPresent = true;
    rig.settings().IconShow = 0x101;
    int gpu = 61;
    rig.records->cycle->setGpuReading([&gpu] { return std::optional<int>(gpu); });
    rig.tick();
    for (const IconMenuCommand command : {IconMenuCommand::Minimum, IconMenuCommand::Maximum,
                                          IconMenuCommand::Average, IconMenuCommand::Current}) {
        rig.settings().IconShow = 0x101;
        menu.runCommand(*rig.window, command);
        EXPECT_EQ(rig.settings().IconShow & 0x1FF, 0x101) << static_cast<int>(command);
    }
    menu.runCommand(*rig.window, IconMenuCommand::Minimum);
    gpu = 55;
    rig.tick();
    const QImage minimum = makeDigitIcon(55, Qt::white, fontFromDescription(rig.settings().iconFont),
                                         DigitCount::Two)->pixmap(smallIconSize()).toImage();
    EXPECT_EQ(area.find(4302)->image, minimum);
}

TEST(IconMenu, WindowCommandsAndDoubleClick)
{
    IconRig icons({40, 35, 30, 25}, "IconShow=1\n");
    icons.tick(2);
    MainDialog& window = icons.window();

    icons.menu.runCommand(window, IconMenuCommand::Restore);
    EXPECT_TRUE(window.isVisible());
    icons.menu.handleEvent(window, dialog::TrayEvent::LeftDoubleClick); // restored: minimise
    EXPECT_FALSE(window.windowRestored());
    EXPECT_FALSE(window.isVisible()); // lives in the notification area only
    icons.menu.handleEvent(window, dialog::TrayEvent::LeftDoubleClick);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowRestored());
    icons.menu.handleEvent(window, dialog::TrayEvent::LeftButtonDown); // a single left click does nothing
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowRestored());

    icons.menu.runCommand(window, IconMenuCommand::Minimize);
    EXPECT_FALSE(window.windowRestored());
    icons.menu.runCommand(window, IconMenuCommand::MoveToTopRight);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.frameGeometry().right(), 1279);

    ASSERT_EQ(icons.rig->records->cycle->samples().tickCount, 2);
    icons.menu.runCommand(window, IconMenuCommand::Reset);
    EXPECT_EQ(icons.rig->records->cycle->samples().tickCount, 0);

    icons.menu.runCommand(window, IconMenuCommand::Exit);
    EXPECT_TRUE(window.stopRequested());
}

} // namespace
