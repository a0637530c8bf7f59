// The real programs on a Wayland compositor: weston, headless, started by the
// test with a runtime folder of its own. Each program starts, keeps running
// and ends in order on SIGTERM; Ostrel leaves the stored window position as
// it was, since a compositor reports none. The cases skip, saying why, where
// weston or Qt's Wayland plug-in is missing.

#include "platform/IniFile.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <chrono>
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

class HeadlessWeston {
public:
    HeadlessWeston()
    {
        char pattern[] = "/tmp/ostrel-wayland-XXXXXX";
        if (const char* made = ::mkdtemp(pattern))
            m_runtime = made;
        const std::string runtime = "XDG_RUNTIME_DIR=" + m_runtime.string();
        const std::string socket = std::string("--socket=") + Socket;
        char* argv[] = {const_cast<char*>("weston"), const_cast<char*>("--backend=headless-backend.so"),
                        const_cast<char*>(socket.c_str()), const_cast<char*>("--width=1280"),
                        const_cast<char*>("--height=1024"), nullptr};
        char* envp[] = {const_cast<char*>(runtime.c_str()), const_cast<char*>("PATH=/usr/bin:/bin"), nullptr};
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
    ~HeadlessWeston()
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
    HeadlessWeston weston;
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

} // namespace
