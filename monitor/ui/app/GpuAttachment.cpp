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

void GpuAttachment::attachTo(StartupHooks& hooks)
{
    if (!hooks.openGpuSensors)
        hooks.openGpuSensors = [this](MonitorSettings& s) { m_sensors.openAtStartup(s); };
}

void GpuAttachment::openWindows(MainDialog& window)
{
    m_windows.openFromButton(&window, window.settings(), fontFromDescription(window.settings().mainFont),
                             CompositionEnabled());
}

bool GpuAttachment::enableNvidia(MainDialog& window)
{
    return m_sensors.enableNvidia(window.settings());
}

bool GpuAttachment::enableAti(MainDialog& window)
{
    return m_sensors.enableAti(window.settings());
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
