#pragma once
// ostrel-exporter as its own process for the program tests: started with
// arguments and variables of the test's choosing, its output in a file, the
// port it serves on read from that output, plain HTTP requests sent to it and
// its end collected.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace exportertest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline std::string readFile(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A simulated machine of this test alone.
inline std::string uniqueMachine()
{
    static int count = 0;
    return "exporter-" + std::to_string(::getpid()) + "-" + std::to_string(++count);
}

// Starts `argv` with this process's environment plus `variables`, standard
// output and error into `output`; the process id, or -1.
inline pid_t spawnWith(const std::vector<std::string>& argv, const std::map<std::string, std::string>& variables,
                       const fs::path& output)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (!variables.count(text.substr(0, text.find('='))))
            environment.push_back(text);
    }
    for (const auto& [name, value] : variables)
        environment.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& arg : args)
        argp.push_back(arg.data());
    argp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// Whether `answer` holds a whole response: its header and as many bytes
// after it as Content-Length says.
inline bool wholeResponse(const std::string& answer)
{
    const size_t header = answer.find("\r\n\r\n");
    if (header == std::string::npos)
        return false;
    const size_t length = answer.find("Content-Length: ");
    const size_t body = length < header ? std::stoul(answer.substr(length + 16)) : 0;
    return answer.size() >= header + 4 + body;
}

// Sends `request` to 127.0.0.1:port and returns the server's answer: one
// whole response, or what came before it closed or went quiet for `quiet`;
// empty when it could not connect.
inline std::string sendRequest(uint16_t port, const std::string& request, std::chrono::milliseconds quiet = 3000ms)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit{static_cast<time_t>(quiet.count() / 1000), static_cast<suseconds_t>(quiet.count() % 1000 * 1000)};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return {};
    }
    for (size_t sent = 0; sent < request.size();) {
        const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    std::string answer;
    char buffer[4096];
    for (ssize_t n; !wholeResponse(answer) && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    return answer;
}

inline std::string get(uint16_t port, const std::string& path)
{
    return sendRequest(port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

// A free TCP port on the loopback address, as the system hands one out.
inline uint16_t freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

class ExporterProcess {
public:
    ExporterProcess()
    {
        char pattern[] = "/tmp/ostrel-exporter-test-XXXXXX";
        m_dir = ::mkdtemp(pattern) ? pattern : "/tmp";
    }
    ~ExporterProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    ExporterProcess(const ExporterProcess&) = delete;
    ExporterProcess& operator=(const ExporterProcess&) = delete;

    fs::path dir() const { return m_dir; }
    std::string output() const { return readFile(m_dir / "output.txt"); }

    bool start(std::vector<std::string> arguments, std::map<std::string, std::string> variables)
    {
        arguments.insert(arguments.begin(), EXPORTER_PROGRAM);
        variables.emplace("SIMULATED_MACHINE", uniqueMachine());
        m_pid = spawnWith(arguments, variables, m_dir / "output.txt");
        return m_pid > 0;
    }

    // The port from the "serving http://...:PORT/metrics" line; 0 when the
    // program ended or said nothing within the limit.
    uint16_t servingPort()
    {
        const std::string marker = "serving http://127.0.0.1:";
        for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;) {
            const std::string text = output();
            if (const size_t at = text.find(marker); at != std::string::npos)
                return static_cast<uint16_t>(std::stoi(text.substr(at + marker.size())));
            if (!running())
                return 0;
            std::this_thread::sleep_for(20ms);
        }
        return 0;
    }

    bool running()
    {
        if (m_pid > 0 && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
            m_pid = -1;
        return m_pid > 0;
    }

    // Sends `signal` and waits for the end; the status as waitpid gives it.
    int endWith(int signal)
    {
        ::kill(m_pid, signal);
        ::waitpid(m_pid, &m_status, 0);
        m_pid = -1;
        return m_status;
    }

    // Waits for an end it does not cause.
    int wait()
    {
        ::waitpid(m_pid, &m_status, 0);
        m_pid = -1;
        return m_status;
    }

private:
    fs::path m_dir;
    pid_t m_pid = -1;
    int m_status = -1;
};

} // namespace exportertest
