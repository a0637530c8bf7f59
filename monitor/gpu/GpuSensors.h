#pragma once
// The monitor's graphics sensors: the NVIDIA sensor over the driver-API
// stand-in and the ATI sensor over the display-library stand-in, each
// created once (at start-up from the key GPU, or later from the Settings
// window) and kept until shutdown. Gives the sampling cycle the hotter of
// the two figures. Runs on the user-interface thread only.

#include "monitor/gpu/AtiSensor.h"
#include "monitor/gpu/GpuBackends.h"
#include "monitor/gpu/GpuClock.h"
#include "monitor/gpu/NvApiLoader.h"
#include "monitor/gpu/NvidiaSensor.h"
#include "monitor/settings/MonitorSettings.h"

#include <memory>
#include <optional>
#include <string>

namespace monitor {

class GpuSensors {
public:
    // Bits of the key GPU.
    static constexpr int NvidiaBit = 1;
    static constexpr int AtiBit = 2;

    GpuSensors(GpuBackends backends, GpuClock clock, std::string iniPath);
    ~GpuSensors();
    GpuSensors(const GpuSensors&) = delete;
    GpuSensors& operator=(const GpuSensors&) = delete;

    // Start-up, after the key GPU: bit 1 opens the ATI sensor, then bit 0 the
    // NVIDIA sensor; atiPresent and nvidiaPresent say which work.
    void openAtStartup(MonitorSettings& settings);

    // The Settings window's boxes, when ticked: creates the sensor when none
    // exists. True when a sensor of that kind works now; gpuPresent is then
    // set. A new ATI sensor reads PollInterval and DisableSensor from the
    // settings file. nvidiaPresent and atiPresent are left to the caller.
    bool enableNvidia(MonitorSettings& settings);
    bool enableAti(MonitorSettings& settings);

    // The GPU temperature of the cycle in °C: the larger of the NVIDIA and
    // ATI figures (0 for a missing sensor); nothing while gpuPresent is off.
    std::optional<int> read();
    // Clears both sensors' statistics (the main window's Reset).
    void resetStatistics();
    // Writes PollInterval and DisableSensor to the settings file.
    bool saveAtiPolling();
    // Closes both sensors and their libraries (shutdown).
    void close();

    NvidiaSensor* nvidia() { return m_nvidia.get(); }
    AtiSensor* ati() { return m_ati.get(); }
    // The result of the last NVIDIA creation (0 when it works).
    int nvidiaStatus() const { return m_nvidiaStatus; }

private:
    bool createNvidia();
    bool createAti(MonitorSettings& settings);

    GpuBackends m_backends;
    GpuClock m_clock;
    std::string m_iniPath;
    MonitorSettings* m_settings = nullptr;
    NvApiLoader m_loader;
    std::unique_ptr<NvidiaSensor> m_nvidia;
    std::unique_ptr<AtiSensor> m_ati;
    int m_nvidiaStatus = nvapi::LibraryNotFound;
};

} // namespace monitor
