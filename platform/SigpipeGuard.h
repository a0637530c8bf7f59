#pragma once
// Holds SIGPIPE off the calling thread while it writes to a pipe whose reader
// may have gone: the write then fails with EPIPE instead of ending the
// program, and the signal that write raised is taken back before the thread's
// signal mask is restored. The program's own disposition of SIGPIPE (default,
// ignored or handled) is never changed, and a SIGPIPE that was already pending
// before the guard stays pending.
//
//     {
//         SigpipeGuard guard;
//         sent = writeFully(fd, data, size);
//     }

#include <csignal>

namespace platform {

class SigpipeGuard {
public:
    SigpipeGuard();
    ~SigpipeGuard();
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t m_previousMask;
    bool m_wasPending = false;
};

} // namespace platform
