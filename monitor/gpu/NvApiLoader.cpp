#include "monitor/gpu/NvApiLoader.h"

#include <algorithm>

namespace monitor {

using namespace nvapi;

NvApiLoader::NvApiLoader(LibraryOpener open) : m_open(std::move(open)) {}

int NvApiLoader::Load()
{
    if (m_initialised)
        return Ok;
    m_status = LibraryNotFound;
    if (!m_library && m_open)
        m_library = m_open();
    if (!m_library)
        return m_status;

    if (!m_library->queryInterface(Initialize) || m_library->initialize() < 0) {
        m_status = Error;
        return m_status;
    }
    m_status = Ok;
    m_unresolvedStatus = NoImplementation;
    for (size_t i = 0; i < Entries.size(); ++i)
        m_resolved[i] = m_library->queryInterface(Entries[i]);
    m_initialised = true;
    return m_status;
}

bool NvApiLoader::resolved(uint32_t id) const
{
    const auto at = std::find(Entries.begin(), Entries.end(), id);
    return m_library && at != Entries.end() && m_resolved[static_cast<size_t>(at - Entries.begin())];
}

int NvApiLoader::GetDisplayDriverVersion(uint32_t display, DisplayDriverVersion* version)
{
    return resolved(nvapi::GetDisplayDriverVersion) ? m_library->getDisplayDriverVersion(display, version)
                                                     : unresolvedStatus();
}

int NvApiLoader::EnumPhysicalGPUs(PhysicalGpuHandle handles[MaxPhysicalGpus], uint32_t* count)
{
    return resolved(nvapi::EnumPhysicalGPUs) ? m_library->enumPhysicalGpus(handles, count) : unresolvedStatus();
}

int NvApiLoader::GPU_GetThermalSettings(PhysicalGpuHandle gpu, uint32_t sensorIndex, GpuThermalSettings* thermal)
{
    return resolved(GpuGetThermalSettings) ? m_library->getThermalSettings(gpu, sensorIndex, thermal)
                                           : unresolvedStatus();
}

int NvApiLoader::GPU_GetFullName(PhysicalGpuHandle gpu, char name[ShortStringLength])
{
    return resolved(GpuGetFullName) ? m_library->getFullName(gpu, name) : unresolvedStatus();
}

int NvApiLoader::GPU_GetPhysicalFrameBufferSize(PhysicalGpuHandle gpu, uint32_t* kilobytes)
{
    return resolved(GpuGetPhysicalFrameBufferSize) ? m_library->getPhysicalFrameBufferSize(gpu, kilobytes)
                                                   : unresolvedStatus();
}

int NvApiLoader::GPU_GetCurrentPCIEDownstreamWidth(PhysicalGpuHandle gpu, uint32_t* lanes)
{
    return resolved(GpuGetCurrentPCIEDownstreamWidth) ? m_library->getCurrentPcieDownstreamWidth(gpu, lanes)
                                                      : unresolvedStatus();
}

} // namespace monitor
