#pragma once
// The temperatures of every NVIDIA GPU through the driver API: per GPU the
// lowest and highest reading with the time each was reached, and for the
// sampling cycle the hottest GPU of the cycle. A failed reading, or one above
// 127 °C, keeps that GPU's statistics and makes the cycle's figure the last
// one read without an error.

#include "monitor/gpu/GpuClock.h"
#include "monitor/gpu/NvApiLoader.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace monitor {

class NvidiaSensor {
public:
    // minTemp of a GPU not read since the last reset.
    static constexpr unsigned NotRead = 256;
    // Readings above this are implausible.
    static constexpr unsigned HighestPlausible = 127;

    struct Creation {
        std::unique_ptr<NvidiaSensor> sensor; // null unless status is 0
        int status = nvapi::LibraryNotFound;
    };
    // Loads the API, reads the driver version and the GPU list. A driver that
    // reports no GPU leaves a working sensor whose figure is always 0.
    static Creation Create(NvApiLoader& loader, GpuClock clock);

    // Every GPU's minimum NotRead and maximum 0, both times now; currentMax 0.
    void ResetStatistics();
    // Reads every GPU; the hottest plausible temperature of this cycle in °C.
    int Read();

    uint32_t gpuCount() const { return m_gpuCount; }
    // Driver version in hundredths (28026 is 280.26).
    uint32_t driverVersion() const { return m_driverVersion.drvVersion; }
    unsigned minTemp(uint32_t gpu) const { return m_minTemp[gpu]; }
    unsigned maxTemp(uint32_t gpu) const { return m_maxTemp[gpu]; }
    const std::tm& minTime(uint32_t gpu) const { return m_minTime[gpu]; }
    const std::tm& maxTime(uint32_t gpu) const { return m_maxTime[gpu]; }
    int currentMax() const { return m_currentMax; }

    // The window's queries: empty name, 0 KB and 0 lanes when they fail.
    std::string fullName(uint32_t gpu);
    uint32_t frameBufferKilobytes(uint32_t gpu);
    uint32_t linkWidth(uint32_t gpu);

private:
    NvidiaSensor(NvApiLoader& loader, GpuClock clock) : m_api(loader), m_clock(std::move(clock)) {}

    NvApiLoader& m_api;
    GpuClock m_clock;
    uint32_t m_gpuCount = 0;
    nvapi::PhysicalGpuHandle m_handles[nvapi::MaxPhysicalGpus] = {};
    nvapi::DisplayDriverVersion m_driverVersion;
    std::vector<unsigned> m_minTemp;
    std::vector<unsigned> m_maxTemp;
    std::vector<std::tm> m_minTime;
    std::vector<std::tm> m_maxTime;
    int m_currentMax = 0;
    int m_lastGood = 0;
};

} // namespace monitor
