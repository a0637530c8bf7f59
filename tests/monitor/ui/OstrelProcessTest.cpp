// The real program on a simulated i7-2600K, ended by a termination signal:
// the full shutdown runs, so clock modulation ends at 0 on every processor
// and the shutdown keys are saved. The six-core program on a simulated
// i7-980X shows that it was compiled for six cores.

#include "platform/IniFile.h"

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

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int SimulatedCpus = 8;
constexpr uint32_t ClockModulationRegister = 0x19A;

struct Finished {
    bool exited = false;
    int status = -1;
};

class ProgramRun {
public:
    explicit ProgramRun(const char* source = OSTREL_PROGRAM, std::string name = "Ostrel") : m_name(std::move(name))
    {
        char pattern[] = "/tmp/ostrel-process-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        m_dir = made ? made : "/tmp";
        // The program keeps its settings beside itself: run a copy in the folder.
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

    fs::path dir() const { return m_dir; }
    fs::path program() const { return m_dir / m_name; }
    fs::path file(const std::string& name) const { return m_dir / name; }

    void writeSettings(const std::string& text) { std::ofstream(m_dir / (m_name + ".ini")) << "[Ostrel]\n" << text; }

    bool start(const std::map<std::string, std::string>& variables)
    {
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
        // The program runs in its folder, where relative log names land.
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

    std::string output() const
    {
        std::ifstream in(m_dir / "output.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string m_name;
    fs::path m_dir;
    pid_t m_pid = -1;
    bool m_reaped = false;
    int m_status = -1;
};

int lineCount(const fs::path& path)
{
    std::ifstream in(path);
    int lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}

struct Audit {
    std::map<int, uint64_t> finalClockModulation;       // per CPU
    std::map<int, std::vector<uint64_t>> clockModWrites; // per CPU, in order
};

Audit readAudit(const fs::path& path)
{
    Audit audit;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string kind;
        int cpu = -1;
        std::string index;
        std::string value;
        fields >> kind >> cpu >> index >> value;
        if (std::stoul(index, nullptr, 16) != ClockModulationRegister)
            continue;
        const uint64_t number = std::stoull(value, nullptr, 16);
        if (kind == "final")
            audit.finalClockModulation[cpu] = number;
        else if (kind == "write")
            audit.clockModWrites[cpu].push_back(number);
    }
    return audit;
}

class TerminationSignal : public ::testing::TestWithParam<int> {};

TEST_P(TerminationSignal, RunsTheWholeShutdown)
{
    ProgramRun run;
    const fs::path log = run.file("log.txt");
    run.writeSettings("ClockMod=24\nLogFile=1\nLogInterval=1\nHDWrite=1\nLogFileName=" + (run.dir() / "log").string() +
                      "\n");
    fs::create_directory(run.file("runtime"));
    fs::permissions(run.file("runtime"), fs::perms::owner_all);
    ASSERT_TRUE(run.start({{"SIMULATED_CPU", "i7-2600k"},
                           {"SIMULATED_LOAD", "20"},
                           {"SIMULATED_AUDIT", run.file("audit.txt").string()},
                           {"QT_QPA_PLATFORM", "offscreen"},
                           {"XDG_RUNTIME_DIR", run.file("runtime").string()}}));

    // Two log lines under the header: the program has started and ticks.
    ASSERT_TRUE(run.waitUntil([&] { return lineCount(log) >= 3; }, 30s)) << run.output();
    run.signal(GetParam());
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end";
    ASSERT_TRUE(WIFEXITED(finished.status)) << "ended by signal " << WTERMSIG(finished.status) << "\n" << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 0);

    const Audit audit = readAudit(run.file("audit.txt"));
    ASSERT_EQ(audit.finalClockModulation.size(), size_t(SimulatedCpus)) << "audit file missing or short";
    for (const auto& [cpu, value] : audit.finalClockModulation)
        EXPECT_EQ(value, 0u) << "cpu " << cpu;
    for (int cpu = 0; cpu < SimulatedCpus; ++cpu) {
        const std::vector<uint64_t>& writes = audit.clockModWrites.at(cpu);
        EXPECT_EQ(writes.front(), 24u) << "cpu " << cpu; // from the settings at start-up
        EXPECT_EQ(writes.back(), 0u) << "cpu " << cpu;   // at shutdown
    }

    const platform::IniFile settings(run.file("Ostrel.ini").string());
    EXPECT_EQ(settings.readInt("Ostrel", "ClockMod", -1), 24);
    EXPECT_EQ(settings.readString("Ostrel", "MiniMode", "absent"), "0");
    EXPECT_EQ(settings.readString("Ostrel", "IconShow", "absent"), "1");
    EXPECT_EQ(settings.readString("Ostrel", "InfoWindowIndex", "absent"), "0");
    EXPECT_NE(settings.readString("Ostrel", "WindowXY", "absent"), "absent");
    EXPECT_NE(settings.readInt("Ostrel", "WindowXY", 0), 0);
    EXPECT_EQ(settings.readString("Ostrel", "LogFileName", "absent"), (run.dir() / "log").string());
    // Every line the program collected reached the file.
    EXPECT_GE(lineCount(log), 3);
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "SIGTERM"
                                                : info.param == SIGINT ? "SIGINT"
                                                                       : "SIGHUP");
                         });

TEST(OstrelProgram, UnknownSimulatedProcessorEndsWithTheProfileList)
{
    ProgramRun run;
    ASSERT_TRUE(run.start({{"SIMULATED_CPU", "pentium-pro"}}));
    const Finished finished = run.finished(20s);
    ASSERT_TRUE(finished.exited);
    ASSERT_TRUE(WIFEXITED(finished.status));
    EXPECT_NE(WEXITSTATUS(finished.status), 0);
    EXPECT_NE(run.output().find("i7-2600k"), std::string::npos) << run.output();
    EXPECT_FALSE(fs::exists(run.file("Ostrel.ini")));
}

#ifdef OSTREL_HX_PROGRAM
TEST(OstrelHXProgram, SixCoreBuildLogsSixColumnsAndKeepsItsOwnSettingsFile)
{
    ProgramRun run(OSTREL_HX_PROGRAM, "OstrelHX");
    run.writeSettings("LogFile=1\nLogInterval=1\nHDWrite=1\nLogFileName=elsewhere\n");
    fs::create_directory(run.file("runtime"));
    fs::permissions(run.file("runtime"), fs::perms::owner_all);
    ASSERT_TRUE(run.start({{"SIMULATED_CPU", "i7-980x"},
                           {"SIMULATED_LOAD", "20"},
                           {"QT_QPA_PLATFORM", "offscreen"},
                           {"XDG_RUNTIME_DIR", run.file("runtime").string()}}));

    // The log name is fixed in this build: OstrelLog.txt in the working folder.
    const fs::path log = run.file("OstrelLog.txt");
    ASSERT_TRUE(run.waitUntil([&] { return lineCount(log) >= 3; }, 30s)) << run.output();
    run.signal(SIGTERM);
    const Finished finished = run.finished(30s);
    ASSERT_TRUE(finished.exited) << "the program did not end";
    ASSERT_TRUE(WIFEXITED(finished.status)) << run.output();
    EXPECT_EQ(WEXITSTATUS(finished.status), 0);

    std::ifstream in(log);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "  DATE     TIME     MHz   C0 C1 C2 C3 C4 C5 LOAD%");
    EXPECT_FALSE(fs::exists(run.file("elsewhere.txt")));

    const platform::IniFile settings(run.file("OstrelHX.ini").string());
    EXPECT_NE(settings.readString("Ostrel", "WindowXY", "absent"), "absent");
    // The four-core build's shutdown keys are not this build's.
    EXPECT_EQ(settings.readString("Ostrel", "InfoWindowIndex", "absent"), "absent");
    EXPECT_FALSE(fs::exists(run.file("Ostrel.ini")));
}
#endif

} // namespace
