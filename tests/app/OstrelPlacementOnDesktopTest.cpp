// Ostrel's placement under a real window manager (Xvfb with openbox), which
// puts a title bar and borders around the windows: the window started with
// MiniMode saved on turns into the frameless mini window at the first tick,
// with a client area of 312 x 123 pixels, double-clicks switch between the
// two layouts at the same top, centred on each other, and restarts leave
// the mini window where it was; the
// settings, sensor test and ATI windows place their frames beside the main
// window's frame by their rules.

#include "monitor/settings/PackedPosition.h"
#include "platform/IniFile.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/XDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <tuple>

namespace {

using processtest::Finished;
using processtest::ProgramRun;
using processtest::XWindow;
using namespace std::chrono_literals;

#define SKIP_WITHOUT_DESKTOP()                                                   \
    do {                                                                         \
        const std::string why = processtest::desktopUnavailable();               \
        if (!why.empty())                                                        \
            GTEST_SKIP() << "needs an X desktop with a window manager: " << why; \
    } while (0)

const std::map<std::string, std::string> OnI72600k = {
    {"SIMULATED_CPU", "i7-2600k"}, {"SIMULATED_GPU", "ati:1"}, {"QT_QPA_PLATFORM", "xcb"}};

std::map<std::string, std::string> onMachine(std::map<std::string, std::string> variables)
{
    variables["SIMULATED_MACHINE"] = processtest::uniqueMachine();
    return variables;
}

void expectOrderlyEnd(ProgramRun& run)
{
    run.signal(SIGTERM);
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end on SIGTERM";
    ASSERT_TRUE(WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 0) << run.output();
}

// The main window once it is shown as the 312 x 123 mini window; an empty
// window when it did not become one within 30 s.
XWindow waitForMiniWindow(ProgramRun& run)
{
    XWindow mini;
    const bool shown = run.waitUntil(
        [&] {
            mini = processtest::mainWindowOf(run.pid(), "Ostrel").value_or(XWindow{});
            return mini.viewable && mini.width == 312 && mini.height == 123;
        },
        30s);
    return shown ? mini : XWindow{};
}

TEST(OstrelPlacementOnDesktop, MiniLayoutClientIs312By123AndDoubleClicksSwitchLayoutsInPlace)
{
    SKIP_WITHOUT_DESKTOP();

    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    run.writeSettings("MiniMode=1\nWindowXY=" + std::to_string(monitor::packPosition({300, 200})) + "\n");
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", processtest::uniqueMachine()},
                           {"SIMULATED_CPU", "i7-2600k"},
                           {"QT_QPA_PLATFORM", "xcb"}}));

    XWindow mini;
    const bool miniShown = run.waitUntil(
        [&] {
            const auto window = processtest::mainWindowOf(run.pid(), "Ostrel");
            if (!window || !window->viewable)
                return false;
            mini = *window;
            return mini.width == 312 && mini.height == 123;
        },
        30s);
    ASSERT_TRUE(miniShown) << "window " << mini.width << "x" << mini.height << "\n" << run.output();

    // A double-click on a free spot (the gap left of the first field) brings the normal window back.
    processtest::shellOutput("xdotool mousemove --window " + std::to_string(mini.id) +
                             " 3 60 click --repeat 2 --delay 80 1");
    XWindow normal;
    ASSERT_TRUE(run.waitUntil(
        [&] {
            const auto window = processtest::mainWindowOf(run.pid(), "Ostrel");
            normal = window.value_or(XWindow{});
            return normal.viewable && normal.height > 123 && processtest::frameExtents(normal.id).top > 0;
        },
        20s))
        << "window " << normal.width << "x" << normal.height;
    // The normal frame comes back at the mini window's top, centred on it;
    // the mini window goes to the normal frame's top, centred on it.
    const auto centre = [](const XWindow& window) { return window.x + window.width / 2; };
    const XWindow normalFrame = processtest::frameOf(normal);
    EXPECT_EQ(normalFrame.y, mini.y);
    EXPECT_NEAR(centre(normalFrame), centre(mini), 1);
    processtest::shellOutput("xdotool mousemove --window " + std::to_string(normal.id) +
                             " 3 60 click --repeat 2 --delay 80 1");
    ASSERT_TRUE(run.waitUntil(
        [&] {
            mini = processtest::mainWindowOf(run.pid(), "Ostrel").value_or(XWindow{});
            return mini.viewable && mini.width == 312 && mini.height == 123;
        },
        20s));
    EXPECT_EQ(mini.y, normalFrame.y);
    EXPECT_NEAR(centre(mini), centre(normalFrame), 1);

    expectOrderlyEnd(run);
}

TEST(OstrelPlacementOnDesktop, ADragOfTheMiniWindowMovesItAndItsNewPlaceIsSaved)
{
    SKIP_WITHOUT_DESKTOP();
    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    run.writeSettings("MiniMode=1\nWindowXY=" + std::to_string(monitor::packPosition({300, 200})) + "\n");
    ASSERT_TRUE(run.start(onMachine(OnI72600k)));
    const XWindow mini = waitForMiniWindow(run);
    ASSERT_NE(mini.id, 0u) << "no mini window\n" << run.output();

    // Pressed on a free spot (the gap left of the first field), moved by
    // 120, 80 in steps, released: the window manager's move takes over at
    // the first small step and follows the rest.
    processtest::shellOutput("xdotool mousemove --window " + std::to_string(mini.id) + " 3 60 mousedown 1 sleep 0.2" +
                             " mousemove_relative 1 1 sleep 0.2 mousemove_relative 59 39 sleep 0.1" +
                             " mousemove_relative 60 40 sleep 0.2 mouseup 1");
    XWindow moved;
    ASSERT_TRUE(run.waitUntil(
        [&] {
            moved = processtest::mainWindowOf(run.pid(), "Ostrel").value_or(XWindow{});
            return moved.x != mini.x || moved.y != mini.y;
        },
        5s))
        << "the drag left the window at " << mini.x << ", " << mini.y;
    EXPECT_NEAR(moved.x, mini.x + 120, 3);
    EXPECT_NEAR(moved.y, mini.y + 80, 3);

    expectOrderlyEnd(run);
    const platform::IniFile saved(run.settingsFile().string());
    const monitor::ScreenPoint stored = monitor::unpackPosition(saved.readInt("Ostrel", "WindowXY", 0));
    EXPECT_NEAR(stored.x, moved.x, 1);
    EXPECT_NEAR(stored.y, moved.y, 1);
}

TEST(OstrelPlacementOnDesktop, TenRestartsLeaveTheMiniWindowWhereItWas)
{
    SKIP_WITHOUT_DESKTOP();
    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    const monitor::ScreenPoint stored{300, 200};
    run.writeSettings("MiniMode=1\nWindowXY=" + std::to_string(monitor::packPosition(stored)) + "\n");
    for (int restart = 0; restart < 10; ++restart) {
        SCOPED_TRACE(restart);
        ASSERT_TRUE(run.start(onMachine(OnI72600k)));
        const XWindow mini = waitForMiniWindow(run);
        ASSERT_NE(mini.id, 0u) << "no mini window\n" << run.output();
        // The mini window has no frame: its client area is all of it.
        EXPECT_NEAR(mini.x, stored.x, 1);
        EXPECT_NEAR(mini.y, stored.y, 1);
        expectOrderlyEnd(run);
        const platform::IniFile saved(run.settingsFile().string());
        const monitor::ScreenPoint next = monitor::unpackPosition(saved.readInt("Ostrel", "WindowXY", 0));
        ASSERT_NEAR(next.x, stored.x, 1);
        ASSERT_NEAR(next.y, stored.y, 1);
    }
}

TEST(OstrelPlacementOnDesktop, SecondaryWindowsPlaceTheirFramesBesideTheMainWindow)
{
    SKIP_WITHOUT_DESKTOP();
    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    // Low on the screen: the settings window must move up to keep its
    // bottom 45 pixels above the screen's. GPU=2: the ATI sensor.
    run.writeSettings("GPU=2\nWindowXY=" + std::to_string(monitor::packPosition({100, 560})) + "\n");
    ASSERT_TRUE(run.start(onMachine(OnI72600k)));
    XWindow main;
    ASSERT_TRUE(run.waitUntil(
        [&] {
            main = processtest::mainWindowOf(run.pid(), "Ostrel").value_or(XWindow{});
            return main.viewable;
        },
        30s))
        << run.output();
    const XWindow mainFrame = processtest::frameOf(main);
    ASSERT_GT(processtest::frameExtents(main.id).top, 0) << "the window manager put no title bar on the window";
    EXPECT_EQ(mainFrame.x, 100);
    EXPECT_EQ(mainFrame.y, 560);
    const auto [screenWidth, screenHeight] = processtest::screenSize();

    // Opens a window from a button of the main window (template 208 x 234
    // units) and returns its frame once it is shown; Escape closes it.
    const auto openFrom = [&](int x, int y, const std::string& title) {
        processtest::xdotool("mousemove --window " + std::to_string(main.id) + " " +
                             std::to_string((x + 24) * main.width / 208) + " " +
                             std::to_string((y + 7) * main.height / 234) + " sleep 0.1 click 1");
        std::optional<XWindow> window;
        EXPECT_TRUE(run.waitUntil(
            [&] {
                window = processtest::shownWindowTitled(run.pid(), title);
                return window && processtest::frameExtents(window->id).top > 0;
            },
            30s))
            << "no framed " << title << " window\n"
            << run.output();
        return window ? processtest::frameOf(*window) : XWindow{};
    };
    const auto close = [&](const XWindow& window) {
        processtest::xdotool("windowactivate --sync " + std::to_string(window.id) + " key Escape");
        EXPECT_TRUE(run.waitUntil([&] { return !processtest::xWindow(window.id).viewable; }, 20s));
    };
    const int besideRight = mainFrame.x + mainFrame.width;
    ASSERT_LT(mainFrame.x, screenWidth - besideRight) << "the right side should have more room";

    // Settings: centred on the main window's middle, then moved up to keep
    // its bottom 45 pixels above the screen's bottom.
    const XWindow settings = openFrom(155, 216, "Settings");
    ASSERT_NE(settings.id, 0u);
    const int centred = std::max(0, mainFrame.y + mainFrame.height / 2 - settings.height / 2);
    EXPECT_EQ(settings.y, std::min(centred, screenHeight - 45 - settings.height));
    EXPECT_EQ(settings.x, besideRight);
    close(settings);

    // Sensor test and ATI Info: level with the main window's top.
    for (const auto& [x, y, title] : {std::tuple{5, 216, "Sensor Test"}, std::tuple{14, 21, "ATI Info"}}) {
        SCOPED_TRACE(title);
        const XWindow window = openFrom(x, y, title);
        ASSERT_NE(window.id, 0u);
        EXPECT_EQ(window.y, mainFrame.y);
        EXPECT_EQ(window.x, besideRight);
        close(window);
    }
    expectOrderlyEnd(run);
}

} // namespace
