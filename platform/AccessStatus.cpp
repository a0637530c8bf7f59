#include "platform/AccessStatus.h"

namespace platform {

std::string statusText(int status)
{
    switch (status) {
    case StatusReady: return "No Error";
    case StatusUnsupportedPlatform: return "Unsupported Platform";
    case StatusDriverNotLoaded: return "Driver Not Loaded\nTry Run as Administrator.";
    case StatusDriverNotFound: return "Driver Not Found";
    case StatusDriverUnloaded: return "Driver Unloaded";
    case StatusDriverNotFoundOnNetwork: return "Driver Not Found On Network";
    case StatusUnknownError: return "Unknown Error";
    default: return "";
    }
}

std::string statusHint(int status)
{
    switch (status) {
    case StatusDriverNotLoaded:
        return "cannot open /dev/cpu/*/msr: run as root (sudo), or give the program CAP_SYS_RAWIO "
               "and read/write access to /dev/cpu/*/msr";
    case StatusDriverNotFound:
        return "/dev/cpu/*/msr is missing: load the msr module (sudo modprobe msr); "
               "to try the program without Intel registers set SIMULATED_CPU=i7-2600k";
    case StatusReady:
        return "the msr device opened but reading IA32_TIME_STAMP_COUNTER failed: this processor "
               "or kernel does not allow model-specific register access";
    default:
        return "";
    }
}

} // namespace platform
