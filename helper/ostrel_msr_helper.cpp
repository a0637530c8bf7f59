// ostrel-msr-helper: the only part of the suite that runs as root. A monitor
// starts it through pkexec and talks to it over standard input and output;
// it serves that monitor's register reads and writes and ends with it.
//
// The build for the tests (OSTREL_HELPER_DEVICE_ROOT_OPTION) takes
// "--device-root DIR" to serve plain files standing in for /dev/cpu; the
// installed helper has no options at all, so nobody can point it elsewhere.

#include "helper/MsrHelper.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::string deviceRoot = "/dev/cpu";
    (void)argv;
#ifdef OSTREL_HELPER_DEVICE_ROOT_OPTION
    if (argc == 3 && std::strcmp(argv[1], "--device-root") == 0) {
        deviceRoot = argv[2];
        argc = 1;
    }
#endif
    if (argc != 1) {
        std::fprintf(stderr, "ostrel-msr-helper: takes no arguments; it is started by the monitors\n");
        return 2;
    }
    // A monitor that went away closes the pipe: the write fails, the helper ends.
    std::signal(SIGPIPE, SIG_IGN);
    helper::MsrHelper msrHelper(deviceRoot);
    return msrHelper.serve(STDIN_FILENO, STDOUT_FILENO);
}
