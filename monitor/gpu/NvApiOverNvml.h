#pragma once
// The NVIDIA driver API stand-in: the entries the monitor uses, with their
// identifiers, records and status codes, answered by NVIDIA's management
// library (NVML). An entry whose NVML functions the library lacks is not
// offered. The driver version becomes hundredths ("535.104.05" is 53510).

#include "monitor/gpu/NvApiLibrary.h"
#include "platform/NvmlApi.h"

#include <memory>
#include <optional>
#include <string_view>

namespace monitor {

class NvApiOverNvml : public NvApiLibrary {
public:
    explicit NvApiOverNvml(std::unique_ptr<platform::NvmlApi> nvml);

    bool queryInterface(uint32_t id) const override;
    int initialize() override;
    int getDisplayDriverVersion(uint32_t display, nvapi::DisplayDriverVersion* version) override;
    int enumPhysicalGpus(nvapi::PhysicalGpuHandle handles[nvapi::MaxPhysicalGpus], uint32_t* count) override;
    int getThermalSettings(nvapi::PhysicalGpuHandle gpu, uint32_t sensorIndex,
                           nvapi::GpuThermalSettings* thermal) override;
    int getFullName(nvapi::PhysicalGpuHandle gpu, char name[nvapi::ShortStringLength]) override;
    int getPhysicalFrameBufferSize(nvapi::PhysicalGpuHandle gpu, uint32_t* kilobytes) override;
    int getCurrentPcieDownstreamWidth(nvapi::PhysicalGpuHandle gpu, uint32_t* lanes) override;

private:
    std::unique_ptr<platform::NvmlApi> m_nvml;
};

// "535.104.05" → 53510; "280.26" → 28026; "470" → 47000; nothing for text
// that does not start with a version number.
std::optional<uint32_t> driverVersionHundredths(std::string_view text);

} // namespace monitor
