#pragma once
// /dev/cpu/N/msr as plain files, one per logical CPU of this machine, for
// benchmarks that run the Linux backend's real system calls without msr
// registers. Plain files address bytes, not registers: what is read back is
// whatever was written at that offset (0x11 bytes at first).

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

namespace bench_support {

class FakeDeviceRoot {
public:
    explicit FakeDeviceRoot(const char* name)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / name).string() + "-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        m_root = pattern;
        for (int cpu = 0; cpu < hostCpus(); ++cpu) {
            std::filesystem::create_directories(m_root / std::to_string(cpu));
            std::ofstream(m_root / std::to_string(cpu) / "msr", std::ios::binary) << std::string(0x800, '\x11');
        }
    }
    ~FakeDeviceRoot() { std::filesystem::remove_all(m_root); }
    FakeDeviceRoot(const FakeDeviceRoot&) = delete;
    FakeDeviceRoot& operator=(const FakeDeviceRoot&) = delete;

    std::string path() const { return m_root.string(); }
    static int hostCpus() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

private:
    std::filesystem::path m_root;
};

} // namespace bench_support
