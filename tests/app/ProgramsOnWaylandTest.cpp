// The real programs on a Wayland compositor: weston, started by the test with
// a runtime folder of its own. Headless, each program starts, keeps running
// and ends in order on SIGTERM; Ostrel leaves the stored window position as
// it was, since a compositor reports none. Nested in the shared X display
// (weston's X11 back end, which takes xdotool's pointer), Ostrel's mini
// window follows a drag. The cases skip, saying why, where weston or Qt's
// Wayland plug-in is missing.

#include "platform/IniFile.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/XDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <sstream>
#include <utility>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using processtest::Finished;
using processtest::ProgramRun;

constexpr const char* Socket = "ostrel-test";

enum class Backend { Headless, NestedInX };

class Weston {
public:
    explicit Weston(Backend backend)
    {
        char pattern[] = "/tmp/ostrel-wayland-XXXXXX";
        if (const char* made = ::mkdtemp(pattern))
            m_runtime = made;
        const std::string runtime = "XDG_RUNTIME_DIR=" + m_runtime.string();
        const std::string socket = std::string("--socket=") + Socket;
        const char* display = std::getenv("DISPLAY");
        const std::string displayVariable = std::string("DISPLAY=") + (display ? display : "");
        const bool nested = backend == Backend::NestedInX;
        char* argv[] = {const_cast<char*>("weston"),
                        const_cast<char*>(nested ? "--backend=x11-backend.so" : "--backend=headless-backend.so"),
                        const_cast<char*>(socket.c_str()),
                        const_cast<char*>(nested ? "--width=800" : "--width=1280"),
                        const_cast<char*>(nested ? "--height=600" : "--height=1024"),
                        const_cast<char*>("--use-pixman"),
                        nullptr};
        char* envp[] = {const_cast<char*>(runtime.c_str()), const_cast<char*>("PATH=/usr/bin:/bin"),
                        const_cast<char*>(displayVariable.c_str()), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string log = (m_runtime / "weston.log").string();
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (::posix_spawnp(&m_pid, "weston", &actions, nullptr, argv, envp) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        for (int waited = 0; m_pid > 0 && waited < 100 && !ready(); ++waited)
            std::this_thread::sleep_for(50ms);
    }
    ~Weston()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(m_runtime, ignored);
    }
    bool ready() const { return fs::exists(m_runtime / Socket); }
    std::string runtime() const { return m_runtime.string(); }

private:
    fs::path m_runtime;
    pid_t m_pid = -1;
};

bool waylandPluginInstalled()
{
    for (const char* folder : {"/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms", "/usr/lib/qt6/plugins/platforms"})
        if (fs::exists(fs::path(folder) / "libqwayland-generic.so"))
            return true;
    return false;
}

struct ProgramCase {
    const char* path;
    const char* name;
    bool storesPosition;
};

class ProgramsOnWayland : public testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramsOnWayland, RunAndEndInOrderLeavingTheStoredPositionAlone)
{
    if (!waylandPluginInstalled())
        GTEST_SKIP() << "Qt's Wayland plug-in is not installed (Debian package qt6-wayland)";
    Weston weston(Backend::Headless);
    if (!weston.ready())
        GTEST_SKIP() << "weston did not start (Debian package weston)";

    const ProgramCase& program = GetParam();
    ProgramRun run(program.path, program.name, program.name);
    // 200, 100 as the position an earlier X11 session saved.
    const std::string position = std::to_string((100 << 16) | 200);
    run.writeSettings("WindowXY=" + position + "\n");
    ASSERT_TRUE(run.start({{"XDG_RUNTIME_DIR", weston.runtime()},
                           {"WAYLAND_DISPLAY", Socket},
                           {"QT_QPA_PLATFORM", "wayland"},
                           {"DISPLAY", ""},
                           {"SIMULATED_MACHINE", processtest::uniqueMachine()},
                           {"SIMULATED_CPU", "i7-2600k"},
                           {"SIMULATED_LOAD", "20"}}));
    std::this_thread::sleep_for(4s);
    ASSERT_FALSE(run.finished(0ms).exited) << "the program ended by itself\n" << run.output();

    run.signal(SIGTERM);
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end on SIGTERM";
    ASSERT_TRUE(WIFEXITED(finished.status)) << "ended by signal " << WTERMSIG(finished.status) << "\n" << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 0) << run.output();
    if (program.storesPosition) {
        const platform::IniFile settings(run.settingsFile().string());
        EXPECT_EQ(settings.readString(program.name, "WindowXY", "absent"), position);
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramsOnWayland,
                         testing::Values(ProgramCase{OSTREL_PROGRAM, "Ostrel", true},
                                         ProgramCase{SPARVEL_PROGRAM, "Sparvel", false}),
                         [](const testing::TestParamInfo<ProgramCase>& info) { return std::string(info.param.name); });

// The mini window's place in the nested compositor's output, found in a
// picture of it as the one 312 x 123 area of the window's face colour; none
// while it is not there.
std::optional<std::pair<int, int>> miniWindowIn(unsigned long compositorWindow, const fs::path& picture)
{
    processtest::shellOutput("import -window " + std::to_string(compositorWindow) + " " + picture.string());
    const std::string found = processtest::shellOutput(
        "convert " + picture.string() +
        " -fuzz 1% -fill black +opaque 'srgb(239,239,239)' -fill white -opaque 'srgb(239,239,239)'"
        " -define connected-components:verbose=true -define connected-components:area-threshold=5000"
        " -connected-components 8 null: | awk '$NF ~ /255|white/ && $2 ~ /^312x123[+]/ {print $2}'");
    int x = 0;
    int y = 0;
    if (std::sscanf(found.c_str(), "312x123+%d+%d", &x, &y) != 2)
        return std::nullopt;
    return std::pair{x, y};
}

TEST(OstrelOnWayland, TheMiniWindowFollowsADragAndNoPositionIsSaved)
{
    const std::string why = processtest::desktopUnavailable();
    if (!why.empty())
        GTEST_SKIP() << "needs an X desktop to nest the compositor in: " << why;
    if (!waylandPluginInstalled())
        GTEST_SKIP() << "Qt's Wayland plug-in is not installed (Debian package qt6-wayland)";
    if (processtest::shellOutput("command -v convert import").empty())
        GTEST_SKIP() << "ImageMagick is not installed";
    Weston weston(Backend::NestedInX);
    if (!weston.ready())
        GTEST_SKIP() << "weston did not start (Debian package weston)";
    // Its output's window on the X display (weston sets no _NET_WM_PID).
    unsigned long compositor = 0;
    for (int tries = 0; tries < 50 && compositor == 0; ++tries) {
        std::istringstream ids(processtest::shellOutput("xdotool search --class '^Weston Compositor$'"));
        for (unsigned long id = 0; ids >> id;)
            compositor = id;
        if (compositor == 0)
            std::this_thread::sleep_for(100ms);
    }
    ASSERT_NE(compositor, 0u) << "no window of the nested compositor";

    ProgramRun run(OSTREL_PROGRAM, "Ostrel", "Ostrel");
    const std::string position = std::to_string((100 << 16) | 200);
    run.writeSettings("MiniMode=1\nWindowXY=" + position + "\n");
    ASSERT_TRUE(run.start({{"XDG_RUNTIME_DIR", weston.runtime()},
                           {"WAYLAND_DISPLAY", Socket},
                           {"QT_QPA_PLATFORM", "wayland"},
                           {"SIMULATED_MACHINE", processtest::uniqueMachine()},
                           {"SIMULATED_CPU", "i7-2600k"},
                           {"SIMULATED_LOAD", "20"}}));
    const fs::path picture = run.file("output.png");
    std::optional<std::pair<int, int>> before;
    ASSERT_TRUE(run.waitUntil([&] { return (before = miniWindowIn(compositor, picture)).has_value(); }, 30s))
        << "no mini window in the compositor's output\n" << run.output();

    // The pointer leaves the compositor's window and comes back onto a free
    // spot of the mini window (the gap left of the first field): the
    // compositor takes up the pointer only when it enters. Pressed there, a
    // small step hands the move to the compositor, which follows the rest:
    // 120, 80 towards the room the 800 x 600 output leaves (the compositor
    // places new windows where it likes; its panel takes the top 32 rows).
    const auto [x, y] = *before;
    const int dx = x + 312 + 120 <= 800 ? 120 : -120;
    const int dy = y + 123 + 80 <= 600 ? 80 : -80;
    const auto step = [](int a, int b) {
        return " mousemove_relative -- " + std::to_string(a) + " " + std::to_string(b);
    };
    processtest::shellOutput("xdotool mousemove 0 0 sleep 0.3 mousemove --window " + std::to_string(compositor) + " " +
                             std::to_string(x + 3) + " " + std::to_string(y + 60) + " sleep 0.5 mousedown 1 sleep 0.2" +
                             step(dx / 120, dy / 80) + " sleep 0.2" + step(dx / 2 - dx / 120, dy / 2 - dy / 80) +
                             " sleep 0.1" + step(dx / 2, dy / 2) + " sleep 0.3 mouseup 1 sleep 0.2" +
                             " mousemove --window " + std::to_string(compositor) + " 5 590");
    std::optional<std::pair<int, int>> after;
    ASSERT_TRUE(run.waitUntil(
        [&] {
            after = miniWindowIn(compositor, picture);
            return after && *after != *before;
        },
        5s))
        << "the drag left the window where it was";
    EXPECT_NEAR(after->first, x + dx, 3);
    EXPECT_NEAR(after->second, y + dy, 3);

    run.signal(SIGTERM);
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end on SIGTERM";
    EXPECT_TRUE(WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 0) << run.output();
    const platform::IniFile settings(run.settingsFile().string());
    EXPECT_EQ(settings.readString("Ostrel", "WindowXY", "absent"), position);
}

} // namespace
