// Ostrel's mini layout under a real window manager (Xvfb with openbox): the
// window started with MiniMode saved on turns into the frameless mini
// window at the first tick, with a client area of 312 x 123 pixels, and a
// double-click brings the normal window back.

#include "monitor/settings/PackedPosition.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/XDesktop.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

using processtest::Finished;
using processtest::ProgramRun;
using processtest::XWindow;
using namespace std::chrono_literals;

TEST(OstrelPlacementOnDesktop, MiniLayoutClientIs312By123AndADoubleClickRestoresIt)
{
    const std::string why = processtest::desktopUnavailable();
    if (!why.empty())
        GTEST_SKIP() << "needs an X desktop with a window manager: " << why;

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
    EXPECT_TRUE(run.waitUntil(
        [&] {
            const auto window = processtest::mainWindowOf(run.pid(), "Ostrel");
            normal = window.value_or(XWindow{});
            return normal.viewable && normal.height > 123;
        },
        20s))
        << "window " << normal.width << "x" << normal.height;

    run.signal(SIGTERM);
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end on SIGTERM";
    EXPECT_TRUE(WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 0) << run.output();
}

} // namespace
