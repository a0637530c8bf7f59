#pragma once
// The outside stress program the sensor test runs (mprime on Linux): started
// from a chosen path as a child of the monitor in a session of its own, on
// the given CPUs and, when the monitor runs as root through sudo or pkexec,
// as the invoking user; asked whether it still runs; and ended.

#include "platform/CpuSet.h"
#include "platform/InvokingUser.h"

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace monitor {

class StressProgram {
public:
    // The invoking user of this process decides who the program runs as.
    StressProgram();
    // Runs the program as `user` (nullopt: as this process does).
    explicit StressProgram(std::optional<platform::InvokingUser> user);
    // A program still running is ended.
    ~StressProgram();
    StressProgram(const StressProgram&) = delete;
    StressProgram& operator=(const StressProgram&) = delete;

    // Starts `path` without arguments on the CPUs of `affinity`; false when
    // it cannot be started (or one is running already).
    bool start(const std::string& path, const platform::CpuSet& affinity);
    // Whether the started program still runs: an ended one is collected
    // first, so it never counts as running.
    bool alive();
    // Ends the program and everything it started in its session.
    void terminate();
    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }

private:
    std::optional<platform::InvokingUser> m_user;
    pid_t m_pid = 0;
    bool m_collected = false;
};

} // namespace monitor
