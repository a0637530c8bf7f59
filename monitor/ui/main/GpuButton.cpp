// MainDialog: the GPU button and the graphics sensors behind it.

#include "monitor/ui/main/MainDialog.h"

#include "monitor/ui/main/MainDialogGpu.h"

namespace monitor {

void MainDialog::onGpuButton()
{
    if (m_parts.gpu && m_records.running() && settings().gpuPresent)
        m_parts.gpu->openWindows(*this);
}

bool MainDialog::enableNvidiaSensor()
{
    return m_parts.gpu && m_records.running() && m_parts.gpu->enableNvidia(*this);
}

bool MainDialog::enableAtiSensor()
{
    return m_parts.gpu && m_records.running() && m_parts.gpu->enableAti(*this);
}

} // namespace monitor
