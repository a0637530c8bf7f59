#include "monitor/gpu/NvApiOverNvml.h"

#include <algorithm>
#include <cstring>

namespace monitor {

using namespace nvapi;
namespace nvml = platform::nvml;
using platform::NvmlDevice;
using platform::NvmlEntry;

namespace {

int fromNvml(int result) { return result == nvml::Success ? Ok : Error; }

void copyText(char* to, size_t size, const char* from)
{
    const size_t length = strnlen(from, size - 1);
    std::memcpy(to, from, length);
    to[length] = '\0';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::optional<uint32_t> driverVersionHundredths(std::string_view text)
{
    size_t i = 0;
    uint32_t major = 0;
    while (i < text.size() && isDigit(text[i]) && major < 100000)
        major = major * 10 + static_cast<uint32_t>(text[i++] - '0');
    if (i == 0)
        return std::nullopt;
    uint32_t hundredths = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (int place = 10; place > 0; place /= 10)
            if (i < text.size() && isDigit(text[i]))
                hundredths += static_cast<uint32_t>(text[i++] - '0') * place;
    }
    return major * 100 + hundredths;
}

NvApiOverNvml::NvApiOverNvml(std::unique_ptr<platform::NvmlApi> nvml) : m_nvml(std::move(nvml)) {}

bool NvApiOverNvml::queryInterface(uint32_t id) const
{
    switch (id) {
    case Initialize: return m_nvml->has(NvmlEntry::Init);
    case GetDisplayDriverVersion: return m_nvml->has(NvmlEntry::DriverVersion);
    case EnumPhysicalGPUs: return m_nvml->has(NvmlEntry::DeviceCount) && m_nvml->has(NvmlEntry::HandleByIndex);
    case GpuGetThermalSettings: return m_nvml->has(NvmlEntry::Temperature);
    case GpuGetFullName: return m_nvml->has(NvmlEntry::Name);
    case GpuGetPhysicalFrameBufferSize: return m_nvml->has(NvmlEntry::MemoryInfo);
    case GpuGetCurrentPCIEDownstreamWidth: return m_nvml->has(NvmlEntry::PcieWidth);
    default: return false;
    }
}

int NvApiOverNvml::initialize() { return fromNvml(m_nvml->init()); }

int NvApiOverNvml::getDisplayDriverVersion(uint32_t /*display: the default one*/, DisplayDriverVersion* version)
{
    if (version == nullptr)
        return InvalidArgument;
    if (version->version != DisplayDriverVersionV1)
        return IncompatibleStructVersion;
    char text[nvml::DriverVersionBufferSize] = {};
    if (m_nvml->driverVersion(text, sizeof text) != nvml::Success)
        return Error;
    text[sizeof text - 1] = '\0';
    const std::optional<uint32_t> hundredths = driverVersionHundredths(text);
    if (!hundredths)
        return Error;
    version->drvVersion = *hundredths;
    version->bldChangeListNum = 0;
    copyText(version->buildBranch, sizeof version->buildBranch, text);
    version->adapter[0] = '\0';
    return Ok;
}

int NvApiOverNvml::enumPhysicalGpus(PhysicalGpuHandle handles[MaxPhysicalGpus], uint32_t* count)
{
    if (handles == nullptr || count == nullptr)
        return InvalidArgument;
    unsigned devices = 0;
    if (m_nvml->deviceCount(&devices) != nvml::Success)
        return Error;
    devices = std::min<unsigned>(devices, MaxPhysicalGpus);
    for (unsigned i = 0; i < devices; ++i) {
        NvmlDevice device = nullptr;
        if (m_nvml->handleByIndex(i, &device) != nvml::Success || device == nullptr)
            return Error;
        handles[i] = device;
    }
    *count = devices;
    return Ok;
}

int NvApiOverNvml::getThermalSettings(PhysicalGpuHandle gpu, uint32_t sensorIndex, GpuThermalSettings* thermal)
{
    if (gpu == nullptr || thermal == nullptr || sensorIndex != 0)
        return InvalidArgument;
    if (thermal->version != GpuThermalSettingsV1)
        return IncompatibleStructVersion;
    unsigned celsius = 0;
    if (m_nvml->temperature(gpu, nvml::TemperatureGpu, &celsius) != nvml::Success)
        return Error;
    thermal->count = 1;
    ThermalSensor& sensor = thermal->sensor[0];
    sensor.controller = ThermalControllerUnknown;
    sensor.defaultMinTemp = 0;
    sensor.defaultMaxTemp = 127;
    sensor.currentTemp = celsius;
    sensor.target = ThermalTargetGpu;
    return Ok;
}

int NvApiOverNvml::getFullName(PhysicalGpuHandle gpu, char name[ShortStringLength])
{
    if (gpu == nullptr || name == nullptr)
        return InvalidArgument;
    char text[nvml::DeviceNameBufferSize] = {};
    if (m_nvml->name(gpu, text, sizeof text) != nvml::Success)
        return Error;
    text[sizeof text - 1] = '\0';
    copyText(name, ShortStringLength, text);
    return Ok;
}

int NvApiOverNvml::getPhysicalFrameBufferSize(PhysicalGpuHandle gpu, uint32_t* kilobytes)
{
    if (gpu == nullptr || kilobytes == nullptr)
        return InvalidArgument;
    nvml::Memory memory{};
    if (m_nvml->memoryInfo(gpu, &memory) != nvml::Success)
        return Error;
    *kilobytes = static_cast<uint32_t>(std::min<unsigned long long>(memory.total / 1024, UINT32_MAX));
    return Ok;
}

int NvApiOverNvml::getCurrentPcieDownstreamWidth(PhysicalGpuHandle gpu, uint32_t* lanes)
{
    if (gpu == nullptr || lanes == nullptr)
        return InvalidArgument;
    unsigned width = 0;
    if (m_nvml->pcieLinkWidth(gpu, &width) != nvml::Success)
        return Error;
    *lanes = width;
    return Ok;
}

} // namespace monitor
