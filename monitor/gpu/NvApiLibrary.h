#pragma once
// The NVIDIA driver API as a loaded library offers it: a lookup by interface
// identifier (whether the library implements that entry) and the entries
// themselves. NvApiLoader calls an entry only after the lookup found it.

#include "monitor/gpu/NvApiTypes.h"

namespace monitor {

class NvApiLibrary {
public:
    virtual ~NvApiLibrary() = default;

    // Whether the library has an entry point for the identifier.
    virtual bool queryInterface(uint32_t id) const = 0;

    virtual int initialize() = 0;
    virtual int getDisplayDriverVersion(uint32_t display, nvapi::DisplayDriverVersion* version) = 0;
    virtual int enumPhysicalGpus(nvapi::PhysicalGpuHandle handles[nvapi::MaxPhysicalGpus], uint32_t* count) = 0;
    virtual int getThermalSettings(nvapi::PhysicalGpuHandle gpu, uint32_t sensorIndex,
                                   nvapi::GpuThermalSettings* thermal) = 0;
    virtual int getFullName(nvapi::PhysicalGpuHandle gpu, char name[nvapi::ShortStringLength]) = 0;
    virtual int getPhysicalFrameBufferSize(nvapi::PhysicalGpuHandle gpu, uint32_t* kilobytes) = 0;
    virtual int getCurrentPcieDownstreamWidth(nvapi::PhysicalGpuHandle gpu, uint32_t* lanes) = 0;
};

} // namespace monitor
