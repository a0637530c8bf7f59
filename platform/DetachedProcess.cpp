#include "platform/DetachedProcess.h"

#include "platform/KernelCpuMask.h"

#include <fcntl.h>
#include <sched.h>
#include <linux/close_range.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

extern char** environ;

namespace platform {

namespace {

struct UserIdentity {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
    std::string name;
    std::string home;
};

UserIdentity identityOf(const InvokingUser& user)
{
    UserIdentity identity;
    identity.uid = user.uid;
    identity.gid = user.gid;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(user.uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        identity.name = found->pw_name;
        identity.home = found->pw_dir;
    }
    identity.groups = groupsOf(user);
    return identity;
}

// The environment of the started program: this process's, with the user's
// own places when it runs for an invoking user.
std::vector<std::string> environmentFor(const std::optional<UserIdentity>& identity)
{
    std::map<std::string, std::string> variables;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals == std::string::npos)
            continue;
        variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    if (identity) {
        if (!identity->home.empty())
            variables["HOME"] = identity->home;
        if (!identity->name.empty()) {
            variables["USER"] = identity->name;
            variables["LOGNAME"] = identity->name;
        }
        const std::string runtime = "/run/user/" + std::to_string(identity->uid);
        struct stat info {};
        if (stat(runtime.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == identity->uid)
            variables["XDG_RUNTIME_DIR"] = runtime;
        else
            variables.erase("XDG_RUNTIME_DIR"); // root's is of no use to the user
        for (const char* name : {"SUDO_UID", "SUDO_GID", "SUDO_USER", "SUDO_COMMAND", "PKEXEC_UID"})
            variables.erase(name);
    }
    std::vector<std::string> result;
    result.reserve(variables.size());
    for (const auto& [name, value] : variables)
        result.push_back(name + "=" + value);
    return result;
}

[[noreturn]] void reportAndExit(int pipeFd, int error)
{
    const ssize_t ignored = write(pipeFd, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// The child's last steps (only async-signal-safe calls): no descriptor of
// this process (register devices, settings files) reaches the program, the
// signal mask is cleared, the CPUs are set, root is given up for the
// invoking user, and the program is executed.
[[noreturn]] void execProgram(int reportFd, const std::string& program, std::vector<char*>& args,
                              std::vector<char*>& envp, const std::optional<UserIdentity>& identity,
                              const KernelCpuMask* affinity)
{
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (affinity)
        affinity->applyTo(0); // a refused set is ignored
    if (identity) {
        if (setgroups(identity->groups.size(), identity->groups.data()) != 0)
            reportAndExit(reportFd, errno);
        if (setgid(identity->gid) != 0)
            reportAndExit(reportFd, errno);
        if (setuid(identity->uid) != 0)
            reportAndExit(reportFd, errno);
        // Root must be gone for good.
        if (identity->uid != 0 && setuid(0) == 0)
            reportAndExit(reportFd, EPERM);
    }
    execve(program.c_str(), args.data(), envp.data());
    reportAndExit(reportFd, errno);
}

// What a start prepares before it forks: between fork and exec only
// async-signal-safe calls are made.
struct Launch {
    std::string program;
    std::optional<UserIdentity> identity;
    std::vector<std::string> environment;
    std::vector<std::string> argv;
    std::vector<char*> args;
    std::vector<char*> envp;
};

std::optional<StartFailure> prepareLaunch(const std::vector<std::string>& argv,
                                          const std::optional<InvokingUser>& user, Launch& launch)
{
    if (argv.empty())
        return StartFailure{EINVAL, "program"};
    const std::optional<std::string> program = findProgram(argv[0]);
    if (!program)
        return StartFailure{ENOENT, "program"};
    launch.program = *program;
    if (user)
        launch.identity = identityOf(*user);
    launch.environment = environmentFor(launch.identity);
    launch.argv = argv;
    for (std::string& arg : launch.argv)
        launch.args.push_back(arg.data());
    launch.args.push_back(nullptr);
    for (std::string& variable : launch.environment)
        launch.envp.push_back(variable.data());
    launch.envp.push_back(nullptr);
    return std::nullopt;
}


} // namespace

std::optional<std::string> findProgram(const std::string& name)
{
    if (name.empty())
        return std::nullopt;
    if (name.find('/') != std::string::npos)
        return name;
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = folders.find(':', start);
        std::string folder = folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + "/" + name;
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return std::nullopt;
}


namespace {

// A fork with a close-on-exec pipe on which the child reports why it could
// not become the program; the pipe closes empty once the exec succeeded.
struct ReportingFork {
    pid_t child = -1;
    int readEnd = -1;  // the parent's
    int writeEnd = -1; // the child's
};

std::optional<StartFailure> forkReporting(ReportingFork& forked)
{
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return StartFailure{errno, "pipe"};
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        return StartFailure{error, "fork"};
    }
    close(child == 0 ? report[0] : report[1]);
    forked = {child, report[0], report[1]};
    return std::nullopt;
}

// The error the child reported, nothing when its exec succeeded; closes the pipe.
std::optional<int> readExecReport(int readEnd)
{
    int error = 0;
    ssize_t got = 0;
    do {
        got = read(readEnd, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(readEnd);
    if (got == static_cast<ssize_t>(sizeof error))
        return error;
    return std::nullopt;
}

void reap(pid_t child, int* status = nullptr)
{
    while (waitpid(child, status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

std::variant<pid_t, StartFailure> startChild(const std::vector<std::string>& argv,
                                             const std::optional<InvokingUser>& user, const CpuSet& affinity)
{
    // Built before the fork: the child may not allocate.
    const std::optional<KernelCpuMask> kernelAffinity =
        affinity.empty() ? std::nullopt : std::optional<KernelCpuMask>(affinity);
    Launch launch;
    if (std::optional<StartFailure> failure = prepareLaunch(argv, user, launch))
        return *failure;
    ReportingFork forked;
    if (std::optional<StartFailure> failure = forkReporting(forked))
        return *failure;
    if (forked.child == 0) {
        setsid();
        execProgram(forked.writeEnd, launch.program, launch.args, launch.envp, launch.identity,
                    kernelAffinity ? &*kernelAffinity : nullptr);
    }
    if (const std::optional<int> error = readExecReport(forked.readEnd)) {
        reap(forked.child);
        return StartFailure{*error, "exec"};
    }
    return forked.child;
}

std::optional<StartFailure> startDetached(const std::vector<std::string>& argv, const std::optional<InvokingUser>& user)
{
    Launch launch;
    if (std::optional<StartFailure> failure = prepareLaunch(argv, user, launch))
        return *failure;
    ReportingFork forked;
    if (std::optional<StartFailure> failure = forkReporting(forked))
        return *failure;
    if (forked.child == 0) {
        setsid();
        // The program is the grandchild, so nobody has to wait for it.
        const pid_t grandchild = fork();
        if (grandchild < 0)
            reportAndExit(forked.writeEnd, errno);
        if (grandchild > 0)
            _exit(0);
        execProgram(forked.writeEnd, launch.program, launch.args, launch.envp, launch.identity, nullptr);
    }
    int status = 0;
    reap(forked.child, &status);
    if (const std::optional<int> error = readExecReport(forked.readEnd))
        return StartFailure{*error, "exec"};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return StartFailure{ECHILD, "fork"};
    return std::nullopt;
}

} // namespace platform
