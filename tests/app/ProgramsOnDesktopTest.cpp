// The real programs on a real X desktop (Xvfb, openbox, trayer), acted on
// with xdotool as a user would: a main window that is minimised, hidden to
// the notification area or put always on top goes on running until the
// program is asked to end.

#include "platform/IniFile.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/XDesktop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

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

XWindow waitForMainWindow(ProgramRun& run, const std::string& windowClass)
{
    XWindow found;
    run.waitUntil(
        [&] {
            auto window = processtest::mainWindowOf(run.pid(), windowClass);
            if (window && window->viewable)
                found = *window;
            return found.id != 0;
        },
        30s);
    return found;
}

void expectOrderlyEnd(ProgramRun& run)
{
    run.signal(SIGTERM);
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end on SIGTERM";
    ASSERT_TRUE(WIFEXITED(finished.status)) << "ended by signal " << WTERMSIG(finished.status) << "\n" << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 0) << run.output();
}

TEST(ProgramsOnDesktop, SparvelHiddenToItsIconRunsOnAndComesBackFromIt)
{
    SKIP_WITHOUT_DESKTOP();
    ProgramRun run(SPARVEL_PROGRAM, "Sparvel", "Sparvel");
    // "Excel=5" is written back as "1": proof that the shutdown saved.
    run.writeSettings("LoadFilter=75\nExcel=5\n");
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", processtest::uniqueMachine()},
                           {"SIMULATED_CPU", "i7-2600k"},
                           {"SIMULATED_LOAD", "20"},
                           {"QT_QPA_PLATFORM", "xcb"}}));
    const XWindow window = waitForMainWindow(run, "Sparvel");
    ASSERT_NE(window.id, 0u) << "no Sparvel window appeared\n" << run.output();

    processtest::xdotool("windowminimize " + std::to_string(window.id));
    std::optional<XWindow> icon;
    ASSERT_TRUE(run.waitUntil(
        [&] {
            icon = processtest::notificationIconOf(run.pid(), window.id);
            return icon && !processtest::xWindow(window.id).viewable;
        },
        20s))
        << "minimised, the window should hide behind a notification icon\n"
        << run.output();
    std::this_thread::sleep_for(1500ms);
    ASSERT_FALSE(run.finished(0ms).exited) << "hiding the window ended the program\n" << run.output();

    processtest::xdotool("mousemove " + std::to_string(icon->x + icon->width / 2) + " " +
                         std::to_string(icon->y + icon->height / 2) + " sleep 0.2 click --repeat 2 --delay 80 1");
    EXPECT_TRUE(run.waitUntil([&] { return processtest::xWindow(window.id).viewable; }, 20s))
        << "a double click on the icon should bring the window back\n"
        << run.output();

    expectOrderlyEnd(run);
    const platform::IniFile settings(run.settingsFile().string());
    EXPECT_EQ(settings.readString("Sparvel", "Excel", "absent"), "1");
}

TEST(ProgramsOnDesktop, OstrelAlwaysOnTopRunsOnAsATopMostWindow)
{
    SKIP_WITHOUT_DESKTOP();
    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    run.writeSettings("OnTop=1\n");
    ASSERT_TRUE(run.start({{"SIMULATED_MACHINE", processtest::uniqueMachine()},
                           {"SIMULATED_CPU", "i7-2600k"},
                           {"SIMULATED_LOAD", "20"},
                           {"QT_QPA_PLATFORM", "xcb"}}));
    const XWindow window = waitForMainWindow(run, "Ostrel");
    ASSERT_NE(window.id, 0u) << "no Ostrel window appeared\n" << run.output();

    // On top is applied by the first ticks; the window must survive it.
    std::this_thread::sleep_for(10s);
    ASSERT_FALSE(run.finished(0ms).exited) << "the program ended by itself\n" << run.output();
    const std::optional<XWindow> now = processtest::mainWindowOf(run.pid(), "Ostrel");
    ASSERT_TRUE(now.has_value());
    EXPECT_TRUE(now->viewable);
    EXPECT_NE(processtest::netWmState(now->id).find("_NET_WM_STATE_ABOVE"), std::string::npos)
        << processtest::netWmState(now->id);

    expectOrderlyEnd(run);
}

TEST(ProgramsOnDesktop, MorvathMinimisedKeepsLoading)
{
    SKIP_WITHOUT_DESKTOP();
    ProgramRun run(MORVATH_PROGRAM, "Morvath", "Morvath");
    ASSERT_TRUE(run.start({{"QT_QPA_PLATFORM", "xcb"}}));
    const XWindow window = waitForMainWindow(run, "Morvath");
    ASSERT_NE(window.id, 0u) << "no Morvath window appeared\n" << run.output();

    // "Select All", then "Load CPU": the buttons' centres in the 147 x 103
    // dialog-unit template, scaled to the window's pixels.
    const auto click = [&](int xUnits, int yUnits) {
        processtest::xdotool("mousemove --window " + std::to_string(window.id) + " " +
                             std::to_string(xUnits * window.width / 147) + " " +
                             std::to_string(yUnits * window.height / 103) + " sleep 0.2 click 1 sleep 0.3");
    };
    processtest::xdotool("windowactivate --sync " + std::to_string(window.id));
    click(41, 72);
    click(41, 90);
    processtest::xdotool("windowminimize " + std::to_string(window.id));
    ASSERT_TRUE(run.waitUntil([&] { return !processtest::xWindow(window.id).viewable; }, 20s));

    const long long before = processtest::cpuTicksOf(run.pid());
    std::this_thread::sleep_for(3s);
    ASSERT_FALSE(run.finished(0ms).exited) << "minimising the window ended the program\n" << run.output();
    const long long used = processtest::cpuTicksOf(run.pid()) - before;
    // All ten tenths selected: the loop keeps its CPU busy. Even sharing two
    // cores with a loaded test run it gets far more than this.
    EXPECT_GT(used, sysconf(_SC_CLK_TCK) / 4) << "the load stopped when the window was minimised";

    expectOrderlyEnd(run);
}

} // namespace
