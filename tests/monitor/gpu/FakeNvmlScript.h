#pragma once
// Writes the script the test-only NVML library answers from and points
// FAKE_NVML_SCRIPT at it; the library's path comes from the build.

#include "monitor/gpu/GpuBackends.h"
#include "platform/NvmlLibrary.h"

#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

namespace gputest {

inline const char* fakeNvmlPath() { return FAKE_NVML_PATH; }

struct FakeNvmlScript {
    std::string path;

    explicit FakeNvmlScript(const std::string& text)
    {
        char name[] = "/tmp/fake-nvml-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        path = name;
        std::ofstream(path) << text;
        setenv("FAKE_NVML_SCRIPT", path.c_str(), 1);
    }
    ~FakeNvmlScript()
    {
        unsetenv("FAKE_NVML_SCRIPT");
        std::remove(path.c_str());
    }
};

// NVML from the test library (or from a path that does not exist).
inline monitor::GpuBackends fakeNvmlBackends(const std::string& path = fakeNvmlPath())
{
    monitor::GpuBackends backends;
    backends.openNvml = [path]() -> std::unique_ptr<platform::NvmlApi> { return platform::NvmlLibrary::open(path); };
    return backends;
}

} // namespace gputest
