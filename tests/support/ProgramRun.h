#pragma once
// One run of a real program of the suite as its own process: a copy of the
// program in a temporary folder (the programs keep their settings beside
// themselves and write their logs into their working folder, which is that
// folder too), an environment of the test's choosing, the output captured in
// output.txt, signals sent to it and its exit status collected.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace processtest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A simulated machine name of this test process alone, so that programs
// started by tests running side by side never share simulated registers.
inline std::string uniqueMachine()
{
    static int count = 0;
    return "test-" + std::to_string(::getpid()) + "-" + std::to_string(++count);
}

struct Finished {
    bool exited = false;
    int status = -1; // as waitpid reports it
};

class ProgramRun {
public:
    // `source` is the built program, `name` the file name of the copy (which
    // names its settings file), `settingsSection` the section writeSettings
    // puts its keys under.
    ProgramRun(const char* source, std::string name, std::string settingsSection)
        : m_name(std::move(name)), m_section(std::move(settingsSection))
    {
        char pattern[] = "/tmp/ostrel-process-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        m_dir = made ? made : "/tmp";
        fs::copy_file(source, program(), fs::copy_options::overwrite_existing);
    }

    ~ProgramRun()
    {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    fs::path dir() const { return m_dir; }
    fs::path program() const { return m_dir / m_name; }
    fs::path file(const std::string& name) const { return m_dir / name; }
    fs::path settingsFile() const { return m_dir / (m_name + ".ini"); }

    // The settings file: the section line, then `text`.
    void writeSettings(const std::string& text) { std::ofstream(settingsFile()) << "[" << m_section << "]\n" << text; }

    // Starts the program with this process's environment, `variables` added
    // or replacing what is there. A run that has ended may be started again.
    bool start(const std::map<std::string, std::string>& variables)
    {
        m_reaped = false;
        m_status = -1;
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry) {
            const std::string text = *entry;
            const std::string name = text.substr(0, text.find('='));
            if (!variables.count(name))
                environment.push_back(text);
        }
        for (const auto& [name, value] : variables)
            environment.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string output = (m_dir / "output.txt").string();
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawn_file_actions_addchdir_np(&actions, m_dir.c_str());
        const std::string path = program().string();
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        const int error = ::posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        return error == 0;
    }

    // Waits until `ready` holds or the program ends; false on either timeout or end.
    template <typename Ready>
    bool waitUntil(Ready ready, std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (ready())
                return true;
            if (finished(0ms).exited)
                return false;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // Waits up to `limit` for the program to end.
    Finished finished(std::chrono::milliseconds limit)
    {
        if (m_reaped)
            return {true, m_status};
        const auto end = std::chrono::steady_clock::now() + limit;
        do {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_reaped = true;
                m_status = status;
                return {true, status};
            }
            std::this_thread::sleep_for(20ms);
        } while (std::chrono::steady_clock::now() < end);
        return {};
    }

    void signal(int number) { ::kill(m_pid, number); }
    pid_t pid() const { return m_pid; }

    // Whether the running program has a handler of its own for signal
    // `number` (its bit in SigCgt of /proc/<pid>/status).
    bool catches(int number) const
    {
        std::ifstream in("/proc/" + std::to_string(m_pid) + "/status");
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("SigCgt:", 0) == 0)
                return (std::stoull(line.substr(7), nullptr, 16) >> (number - 1)) & 1u;
        }
        return false;
    }

    // What the program wrote to its standard output and error.
    std::string output() const
    {
        std::ifstream in(m_dir / "output.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string m_name;
    std::string m_section;
    fs::path m_dir;
    pid_t m_pid = -1;
    bool m_reaped = false;
    int m_status = -1;
};

// The three termination signals as test parameters, named in the case names.
inline std::string signalName(const ::testing::TestParamInfo<int>& info)
{
    return info.param == SIGTERM ? "SIGTERM" : info.param == SIGINT ? "SIGINT" : "SIGHUP";
}

} // namespace processtest
