#include "monitor/ui/app/GpuAttachment.h"

#include "monitor/ui/desktop/CompositionEnabled.h"
#include "monitor/ui/desktop/DescribedFont.h"
#include "monitor/ui/main/MainDialog.h"

namespace monitor {

GpuAttachment::GpuAttachment(MonitorRecords& records, GpuBackends backends)
    : m_records(records)
    , m_sensors(std::move(backends), [&records] { return records.processor.localTime(); }, records.iniPath)
    , m_windows(m_sensors)
{
}

void GpuAttachment::attachTo(MainDialogParts& parts, StartupHooks& hooks)
{
    if (!hooks.openGpuSensors)
        hooks.openGpuSensors = [this](MonitorSettings& s) { m_sensors.openAtStartup(s); };
    if (!parts.gpuWindows)
        parts.gpuWindows = [this](MainDialog& w) {
            m_windows.openFromButton(&w, w.settings(), fontFromDescription(w.settings().mainFont),
                                     CompositionEnabled());
        };
    if (!parts.enableNvidiaSensor)
        parts.enableNvidiaSensor = [this](MainDialog& w) { return m_sensors.enableNvidia(w.settings()); };
    if (!parts.enableAtiSensor)
        parts.enableAtiSensor = [this](MainDialog& w) { return m_sensors.enableAti(w.settings()); };
}

void GpuAttachment::connectCycle()
{
    m_records.cycle->setGpuReading([this] { return m_sensors.read(); });
    m_records.cycle->setResetStep(ResetStep::GpuExtremes, [this] { m_sensors.resetStatistics(); });
}

void GpuAttachment::close()
{
    m_windows.closeAll();
    m_sensors.close();
}

} // namespace monitor
