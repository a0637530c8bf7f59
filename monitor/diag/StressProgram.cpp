#include "monitor/diag/StressProgram.h"

#include "platform/DetachedProcess.h"

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <variant>

namespace monitor {

StressProgram::StressProgram() : StressProgram(platform::invokingUser()) {}

StressProgram::StressProgram(std::optional<platform::InvokingUser> user) : m_user(user) {}

StressProgram::~StressProgram()
{
    terminate();
}

bool StressProgram::start(const std::string& path, const platform::CpuSet& affinity)
{
    if (m_pid > 0 && alive())
        return false;
    terminate();
    const auto started = platform::startChild({path}, m_user, affinity);
    if (!std::holds_alternative<pid_t>(started))
        return false;
    m_pid = std::get<pid_t>(started);
    m_collected = false;
    return true;
}

bool StressProgram::alive()
{
    if (m_pid <= 0 || m_collected)
        return false;
    int status = 0;
    pid_t got = 0;
    do {
        got = waitpid(m_pid, &status, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == m_pid) {
        m_collected = true;
        return false;
    }
    return kill(m_pid, 0) == 0;
}

void StressProgram::terminate()
{
    if (m_pid <= 0)
        return;
    // An ended program has been collected, and its number may belong to
    // another process by now: only a running one is signalled. It leads its
    // own session and process group, so what it started ends with it.
    if (!m_collected) {
        kill(-m_pid, SIGKILL);
        kill(m_pid, SIGKILL);
        while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    m_pid = 0;
    m_collected = false;
}

} // namespace monitor
