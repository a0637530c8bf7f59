// MainDialog: the Settings button, and what the window takes over from the
// Settings window once it has closed.

#include "monitor/ui/main/MainDialog.h"

#include "monitor/ui/main/MainDialogTemplate.h"
#include "monitor/ui/main/MainDialogWindows.h"

namespace monitor {

void MainDialog::onSettings()
{
    if (!m_parts.windows || !m_records.running())
        return;
    MonitorSettings& s = settings();
    m_ownerRect = frameRect();
    setEnabled(IDC_SETTINGS, false);

    if (m_parts.windows->settingsWindow(*this)) {
        m_alarmLatched = false;
        if (s.nvidiaPresent || s.atiPresent) {
            s.gpuPresent = true;
            setText(IDC_GPU_BUTTON, m_gpuText);
            setEnabled(IDC_GPU_BUTTON, m_parts.gpu != nullptr);
            if (m_layout.signature == SignatureStyle::GpuButtonWhenSensor) {
                setVisible(IDC_SIGNATURE, false);
                setVisible(IDC_GPU_BUTTON, true);
            }
        }
    }
    // The unit switches at once in the settings window, so a window left with
    // Cancel may have changed it too.
    followTemperatureUnit();
    setEnabled(IDC_SETTINGS, true);
    applyColours();
    update();
}

} // namespace monitor
