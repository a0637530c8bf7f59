#pragma once
// Plugs the graphics sensors into the monitor: opening them at start-up from
// the key GPU, the GPU button's information windows, the Settings window's
// "Nvidia" and "ATI" switches, the cycle's GPU reading and the Reset of the
// sensors' extremes, and their closing at shutdown.

#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/lifecycle/MonitorStartup.h"
#include "monitor/gpu/GpuBackends.h"
#include "monitor/gpu/GpuSensors.h"
#include "monitor/gpu/window/GpuWindows.h"
#include "monitor/ui/main/MainDialogGpu.h"

namespace monitor {

class GpuAttachment : public MainDialogGpu {
public:
    GpuAttachment(MonitorRecords& records, GpuBackends backends);

    // Fills the start-up's hook for the sensors unless it is set.
    void attachTo(StartupHooks& hooks);
    // After a successful start-up: the cycle's reading and its Reset step.
    void connectCycle();
    // Shutdown: the windows close, then the sensors.
    void close();

    void openWindows(MainDialog& window) override;
    bool enableNvidia(MainDialog& window) override;
    bool enableAti(MainDialog& window) override;

    GpuSensors& sensors() { return m_sensors; }
    GpuWindows& windows() { return m_windows; }

private:
    MonitorRecords& m_records;
    GpuSensors m_sensors;
    GpuWindows m_windows;
};

} // namespace monitor
