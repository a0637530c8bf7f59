#include "platform/SigpipeGuard.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>

namespace platform {

namespace {

sigset_t onlySigpipe()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    return set;
}

bool sigpipePending()
{
    sigset_t pending;
    sigemptyset(&pending);
    return sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
}

} // namespace

SigpipeGuard::SigpipeGuard()
{
    const sigset_t sigpipe = onlySigpipe();
    pthread_sigmask(SIG_BLOCK, &sigpipe, &m_previousMask);
    m_wasPending = sigpipePending();
}

SigpipeGuard::~SigpipeGuard()
{
    // A write to a pipe without a reader raises SIGPIPE at the writing thread;
    // blocked, it waits here and is taken without being delivered.
    if (!m_wasPending && sigpipePending()) {
        const sigset_t sigpipe = onlySigpipe();
        const timespec noWait{};
        while (sigtimedwait(&sigpipe, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
}

} // namespace platform
