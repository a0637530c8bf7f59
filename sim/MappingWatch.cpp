#include "sim/MappingWatch.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

namespace sim {

namespace {

// Read by the signal handler: lock-free atomics only.
constexpr uintptr_t Free = 0;
constexpr uintptr_t Claimed = 1; // being filled in

struct Watched {
    std::atomic<uintptr_t> start{Free};
    std::atomic<size_t> length{0};
    std::atomic<bool> lost{false};
};

constexpr size_t MaxWatched = 64;
std::array<Watched, MaxWatched> g_watched;
struct sigaction g_previous {};
std::once_flag g_installed;

size_t pageRounded(size_t length)
{
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return (length + page - 1) / page * page;
}

void passOn(int signal, siginfo_t* info, void* context)
{
    if (g_previous.sa_flags & SA_SIGINFO) {
        if (g_previous.sa_sigaction) {
            g_previous.sa_sigaction(signal, info, context);
            return;
        }
    } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        g_previous.sa_handler(signal);
        return;
    }
    // The default: a fault repeats once the handler returns and ends the
    // program as it would have without this handler; a sent signal is sent
    // again.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(SIGBUS, &byDefault, nullptr);
    if (info->si_code <= 0)
        raise(SIGBUS);
}

void onBusError(int signal, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    const uintptr_t fault = reinterpret_cast<uintptr_t>(info->si_addr);
    if (info->si_code > 0) {
        for (Watched& watched : g_watched) {
            const uintptr_t start = watched.start.load();
            const size_t length = watched.length.load();
            if (start == Free || start == Claimed || fault < start || fault - start >= length)
                continue;
            if (MappingWatch::replaceWithPrivatePages(reinterpret_cast<void*>(start), length)) {
                watched.lost.store(true);
                errno = savedErrno;
                return; // the access goes on, on the zero pages
            }
            break;
        }
    }
    errno = savedErrno;
    passOn(signal, info, context);
}

void installHandler()
{
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &g_previous);
}

} // namespace

bool MappingWatch::replaceWithPrivatePages(void* address, size_t length)
{
    return mmap(address, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED;
}

bool MappingWatch::watch(void* address, size_t length)
{
    forget();
    std::call_once(g_installed, installHandler);
    for (size_t n = 0; n < g_watched.size(); ++n) {
        Watched& slot = g_watched[n];
        uintptr_t expected = Free;
        if (!slot.start.compare_exchange_strong(expected, Claimed))
            continue;
        // The start last: the handler matches a slot by its start.
        slot.length.store(pageRounded(length));
        slot.lost.store(false);
        slot.start.store(reinterpret_cast<uintptr_t>(address));
        m_slot = static_cast<int>(n);
        return true;
    }
    return false;
}

void MappingWatch::forget()
{
    if (m_slot < 0)
        return;
    g_watched[static_cast<size_t>(m_slot)].start.store(Free);
    m_slot = -1;
}

bool MappingWatch::pagesLost() const
{
    return m_slot >= 0 && g_watched[static_cast<size_t>(m_slot)].lost.load();
}

} // namespace sim
