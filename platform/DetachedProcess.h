#pragma once
// Starts a program detached from this process (its own session, never waited
// for by the caller). When this process runs as root for an invoking user
// (sudo, pkexec), the program runs as that user: the user's groups, group and
// user id are taken in the child before the program is executed, and HOME,
// USER, LOGNAME and XDG_RUNTIME_DIR are the user's; DISPLAY and
// WAYLAND_DISPLAY are passed on. Without an invoking user it runs as this
// process does.

#include "platform/CpuSet.h"
#include "platform/InvokingUser.h"

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {

struct StartFailure {
    int error = 0; // errno of the step that failed
    std::string step;
};

// argv[0] is the program: a path, or a name looked up in PATH. nullopt when
// the program was executed.
std::optional<StartFailure> startDetached(const std::vector<std::string>& argv,
                                          const std::optional<InvokingUser>& user);

// Starts a program in a session of its own as this process's child, so the
// caller can ask whether it still runs and end it (ChildProcess); the same
// user rule as startDetached. `affinity`, when not empty, is the set of CPUs
// the program may run on; a set the system refuses is ignored.
std::variant<pid_t, StartFailure> startChild(const std::vector<std::string>& argv,
                                             const std::optional<InvokingUser>& user, const CpuSet& affinity = {});

// A program name looked up in PATH as execvp does; a name with a slash is
// returned unchanged. nullopt when no executable file is found.
std::optional<std::string> findProgram(const std::string& name);

} // namespace platform
