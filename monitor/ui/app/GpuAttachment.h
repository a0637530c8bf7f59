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

namespace monitor {

struct MainDialogParts;

class GpuAttachment {
public:
    GpuAttachment(MonitorRecords& records, GpuBackends backends);

    // Fills the parts and the hook that are still empty.
    void attachTo(MainDialogParts& parts, StartupHooks& hooks);
    // After a successful start-up: the cycle's reading and its Reset step.
    void connectCycle();
    // Shutdown: the windows close, then the sensors.
    void close();

    GpuSensors& sensors() { return m_sensors; }
    GpuWindows& windows() { return m_windows; }

private:
    MonitorRecords& m_records;
    GpuSensors m_sensors;
    GpuWindows m_windows;
};

} // namespace monitor
