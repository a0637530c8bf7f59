#pragma once
#include <string>

namespace platform {

// Status codes of the register access layer.
enum AccessStatus : int {
    StatusReady = 0,
    StatusUnsupportedPlatform = 1,
    StatusDriverNotLoaded = 2,
    StatusDriverNotFound = 3,
    StatusDriverUnloaded = 4,
    StatusDriverNotFoundOnNetwork = 5,
    StatusUnknownError = 9,
};

// The text shown in the "Driver Error" box for a status code.
std::string statusText(int status);

// A hint for standard error on how to fix the condition, empty when none.
std::string statusHint(int status);

} // namespace platform
