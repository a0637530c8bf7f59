#pragma once
// NVIDIA's management library loaded at run time with dlopen; nothing of it
// is needed at build time. An entry the library does not export is reported
// missing by has() and answers ErrorFunctionNotFound.

#include "platform/NvmlApi.h"

#include <array>
#include <memory>
#include <string>

namespace platform {

class NvmlLibrary : public NvmlApi {
public:
    // The library the driver installs.
    static constexpr const char* DefaultPath = "libnvidia-ml.so.1";

    // The library at that path or name; null when it cannot be loaded.
    static std::unique_ptr<NvmlLibrary> open(const std::string& path = DefaultPath);
    ~NvmlLibrary() override;
    NvmlLibrary(const NvmlLibrary&) = delete;
    NvmlLibrary& operator=(const NvmlLibrary&) = delete;

    bool has(NvmlEntry entry) const override;
    int init() override;
    int driverVersion(char* text, unsigned length) override;
    int deviceCount(unsigned* count) override;
    int handleByIndex(unsigned index, NvmlDevice* device) override;
    int temperature(NvmlDevice device, unsigned sensor, unsigned* celsius) override;
    int name(NvmlDevice device, char* text, unsigned length) override;
    int memoryInfo(NvmlDevice device, nvml::Memory* memory) override;
    int pcieLinkWidth(NvmlDevice device, unsigned* lanes) override;

private:
    explicit NvmlLibrary(void* handle);
    void* entry(NvmlEntry e) const { return m_entries[static_cast<size_t>(e)]; }

    static constexpr size_t EntryCount = 8;
    void* m_handle;
    std::array<void*, EntryCount> m_entries{};
};

} // namespace platform
