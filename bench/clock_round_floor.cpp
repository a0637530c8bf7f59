// The least a clock-measurement thread can cost: the yield and the 125 ms
// and 250 ms sleeps of each of its rounds, with no reading and no toolkit.
// bench/ostrel_cost.sh runs it beside the monitor to show how much of the
// monitor's CPU time the rounds' wake-ups alone take on the machine measured.

#include <cerrno>
#include <sched.h>
#include <time.h>

namespace {

void sleepMilliseconds(long milliseconds)
{
    timespec remaining{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

} // namespace

int main()
{
    for (;;) {
        sched_yield();
        sleepMilliseconds(125);
        sleepMilliseconds(250);
    }
}
