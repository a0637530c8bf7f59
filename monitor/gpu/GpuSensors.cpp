#include "monitor/gpu/GpuSensors.h"

#include "monitor/gpu/AdlOverSysfs.h"
#include "monitor/gpu/NvApiOverNvml.h"
#include "monitor/settings/SettingsStore.h"
#include "platform/NvmlLibrary.h"

#include <algorithm>

namespace monitor {

GpuBackends GpuBackends::host(std::string nvmlPath, std::string drmRoot)
{
    GpuBackends backends;
    backends.openNvml = [nvmlPath]() -> std::unique_ptr<platform::NvmlApi> {
        return platform::NvmlLibrary::open(nvmlPath);
    };
    backends.openDrm = [drmRoot]() -> std::shared_ptr<platform::DrmTree> {
        return std::make_shared<platform::DiskDrmTree>(drmRoot);
    };
    return backends;
}

GpuSensors::GpuSensors(GpuBackends backends, GpuClock clock, std::string iniPath)
    : m_backends(std::move(backends))
    , m_clock(std::move(clock))
    , m_iniPath(std::move(iniPath))
    , m_loader([this]() -> std::unique_ptr<NvApiLibrary> {
        std::unique_ptr<platform::NvmlApi> nvml = m_backends.openNvml ? m_backends.openNvml() : nullptr;
        if (!nvml)
            return nullptr;
        return std::make_unique<NvApiOverNvml>(std::move(nvml));
    })
{
}

GpuSensors::~GpuSensors() { close(); }

void GpuSensors::openAtStartup(MonitorSettings& settings)
{
    m_settings = &settings;
    settings.atiPresent = (settings.GPU & AtiBit) != 0 && createAti(settings);
    settings.nvidiaPresent = (settings.GPU & NvidiaBit) != 0 && createNvidia();
}

bool GpuSensors::createNvidia()
{
    if (m_nvidia)
        return true;
    NvidiaSensor::Creation created = NvidiaSensor::Create(m_loader, m_clock);
    m_nvidiaStatus = created.status;
    m_nvidia = std::move(created.sensor);
    return m_nvidia != nullptr;
}

bool GpuSensors::createAti(MonitorSettings& settings)
{
    if (m_ati)
        return true;
    const AtiSensor::LibraryOpener open = [this]() -> std::unique_ptr<AdlLibrary> {
        std::shared_ptr<platform::DrmTree> tree = m_backends.openDrm ? m_backends.openDrm() : nullptr;
        if (!tree)
            return nullptr;
        return std::make_unique<AdlOverSysfs>(std::move(tree));
    };
    m_ati = AtiSensor::Create(open, settings, m_clock);
    return m_ati != nullptr;
}

bool GpuSensors::enableNvidia(MonitorSettings& settings)
{
    m_settings = &settings;
    if (!createNvidia())
        return false;
    settings.gpuPresent = true;
    return true;
}

bool GpuSensors::enableAti(MonitorSettings& settings)
{
    m_settings = &settings;
    if (m_ati) {
        settings.gpuPresent = true;
        return true;
    }
    // The keys of a sensor that starts working now; the first reading is
    // made before them, as at start-up.
    if (!createAti(settings))
        return false;
    LoadAtiSensorKeys(settings, m_iniPath);
    settings.gpuPresent = true;
    return true;
}

std::optional<int> GpuSensors::read()
{
    if (m_settings == nullptr || !m_settings->gpuPresent)
        return std::nullopt;
    const int nvidia = m_nvidia ? m_nvidia->Read() : 0;
    const int ati = m_ati ? m_ati->Read() : 0;
    return std::max(nvidia, ati);
}

void GpuSensors::resetStatistics()
{
    if (m_nvidia)
        m_nvidia->ResetStatistics();
    if (m_ati)
        m_ati->ResetStatistics();
}

bool GpuSensors::saveAtiPolling()
{
    if (m_settings == nullptr)
        return false;
    return SaveAtiSensorKeys(*m_settings, m_iniPath) == WriteResult::Written;
}

void GpuSensors::close()
{
    m_ati.reset();
    m_nvidia.reset();
}

} // namespace monitor
