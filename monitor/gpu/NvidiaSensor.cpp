#include "monitor/gpu/NvidiaSensor.h"

namespace monitor {

using namespace nvapi;

NvidiaSensor::Creation NvidiaSensor::Create(NvApiLoader& loader, GpuClock clock)
{
    Creation result;
    std::unique_ptr<NvidiaSensor> sensor(new NvidiaSensor(loader, std::move(clock)));
    result.status = loader.Load();
    if (result.status != Ok)
        return result;
    sensor->m_driverVersion.version = DisplayDriverVersionV1;
    result.status = loader.GetDisplayDriverVersion(0, &sensor->m_driverVersion);
    if (result.status != Ok)
        return result;
    result.status = loader.EnumPhysicalGPUs(sensor->m_handles, &sensor->m_gpuCount);
    if (result.status != Ok)
        return result;
    if (sensor->m_gpuCount > MaxPhysicalGpus) {
        result.status = Error;
        return result;
    }
    const size_t count = sensor->m_gpuCount;
    sensor->m_minTemp.resize(count);
    sensor->m_maxTemp.resize(count);
    sensor->m_minTime.resize(count);
    sensor->m_maxTime.resize(count);
    sensor->ResetStatistics();
    result.sensor = std::move(sensor);
    return result;
}

void NvidiaSensor::ResetStatistics()
{
    const std::tm now = m_clock();
    for (uint32_t i = 0; i < m_gpuCount; ++i) {
        m_minTemp[i] = NotRead;
        m_maxTemp[i] = 0;
        m_minTime[i] = now;
        m_maxTime[i] = now;
    }
    m_currentMax = 0;
}

int NvidiaSensor::Read()
{
    m_currentMax = 0;
    bool error = false;
    const std::tm now = m_clock();
    for (uint32_t i = 0; i < m_gpuCount; ++i) {
        GpuThermalSettings thermal;
        thermal.version = GpuThermalSettingsV1;
        thermal.count = 0;
        thermal.sensor[0].controller = ThermalControllerUnknown;
        thermal.sensor[0].target = ThermalTargetGpu;
        if (m_api.GPU_GetThermalSettings(m_handles[i], 0, &thermal) != Ok
            || thermal.sensor[0].currentTemp > HighestPlausible) {
            error = true;
            continue;
        }
        const unsigned t = thermal.sensor[0].currentTemp;
        if (t < m_minTemp[i]) {
            m_minTemp[i] = t;
            m_minTime[i] = now;
        }
        if (t > m_maxTemp[i]) {
            m_maxTemp[i] = t;
            m_maxTime[i] = now;
        }
        if (static_cast<int>(t) > m_currentMax)
            m_currentMax = static_cast<int>(t);
    }
    if (error)
        m_currentMax = m_lastGood;
    else
        m_lastGood = m_currentMax;
    return m_currentMax;
}

std::string NvidiaSensor::fullName(uint32_t gpu)
{
    char name[ShortStringLength] = {};
    if (gpu >= m_gpuCount || m_api.GPU_GetFullName(m_handles[gpu], name) != Ok)
        return {};
    name[ShortStringLength - 1] = '\0';
    return name;
}

uint32_t NvidiaSensor::frameBufferKilobytes(uint32_t gpu)
{
    uint32_t kilobytes = 0;
    if (gpu >= m_gpuCount || m_api.GPU_GetPhysicalFrameBufferSize(m_handles[gpu], &kilobytes) != Ok)
        return 0;
    return kilobytes;
}

uint32_t NvidiaSensor::linkWidth(uint32_t gpu)
{
    uint32_t lanes = 0;
    if (gpu >= m_gpuCount || m_api.GPU_GetCurrentPCIEDownstreamWidth(m_handles[gpu], &lanes) != Ok)
        return 0;
    return lanes;
}

} // namespace monitor
