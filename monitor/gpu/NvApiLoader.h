#pragma once
// Loads the NVIDIA driver API once per process and resolves its entry points
// by interface identifier. An entry that is not resolved answers
// ApiNotInitialized (-4) until the API has been initialised and
// NoImplementation (-3) after. Load() reports LibraryNotFound (-2) when the
// library cannot be loaded and Error (-1) when it cannot be initialised; the
// library, once loaded, stays loaded for the life of the loader.

#include "monitor/gpu/NvApiLibrary.h"

#include <array>
#include <functional>
#include <memory>

namespace monitor {

class NvApiLoader {
public:
    // Opens the library; null when it is not there.
    using LibraryOpener = std::function<std::unique_ptr<NvApiLibrary>()>;

    explicit NvApiLoader(LibraryOpener open);

    // 0 once the API works; repeated calls after success return 0 at once.
    int Load();
    bool initialised() const { return m_initialised; }
    int status() const { return m_status; }

    int GetDisplayDriverVersion(uint32_t display, nvapi::DisplayDriverVersion* version);
    int EnumPhysicalGPUs(nvapi::PhysicalGpuHandle handles[nvapi::MaxPhysicalGpus], uint32_t* count);
    int GPU_GetThermalSettings(nvapi::PhysicalGpuHandle gpu, uint32_t sensorIndex, nvapi::GpuThermalSettings* thermal);
    int GPU_GetFullName(nvapi::PhysicalGpuHandle gpu, char name[nvapi::ShortStringLength]);
    int GPU_GetPhysicalFrameBufferSize(nvapi::PhysicalGpuHandle gpu, uint32_t* kilobytes);
    int GPU_GetCurrentPCIEDownstreamWidth(nvapi::PhysicalGpuHandle gpu, uint32_t* lanes);

private:
    // The entries after Initialize, in table order.
    static constexpr std::array<uint32_t, 6> Entries = {
        nvapi::GetDisplayDriverVersion, nvapi::EnumPhysicalGPUs,       nvapi::GpuGetThermalSettings,
        nvapi::GpuGetFullName,          nvapi::GpuGetPhysicalFrameBufferSize, nvapi::GpuGetCurrentPCIEDownstreamWidth,
    };
    bool resolved(uint32_t id) const;
    int unresolvedStatus() const { return m_unresolvedStatus; }

    LibraryOpener m_open;
    std::unique_ptr<NvApiLibrary> m_library;
    bool m_initialised = false;
    int m_status = nvapi::LibraryNotFound;
    int m_unresolvedStatus = nvapi::ApiNotInitialized;
    std::array<bool, Entries.size()> m_resolved{};
};

} // namespace monitor
