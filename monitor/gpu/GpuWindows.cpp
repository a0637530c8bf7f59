#include "monitor/gpu/GpuWindows.h"

namespace monitor {

GpuWindows::~GpuWindows() { closeAll(); }

void GpuWindows::bringForward(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void GpuWindows::openFromButton(QWidget* owner, MonitorSettings& settings, const QFont& mainFont)
{
    bool atiCreatedNow = false;
    if (settings.atiPresent && m_sensors.ati()) {
        if (!m_ati) {
            m_ati = new AtiInfoDialog(*m_sensors.ati(), settings, mainFont, [this] { m_sensors.saveAtiPolling(); },
                                      owner);
            atiCreatedNow = true;
        }
        bringForward(m_ati);
    }
    const bool nvidiaWanted = !settings.atiPresent || (m_ati && !atiCreatedNow);
    if (settings.nvidiaPresent && m_sensors.nvidia() && nvidiaWanted) {
        if (!m_nvidia)
            m_nvidia = new NvidiaInfoDialog(*m_sensors.nvidia(), settings, mainFont, owner);
        bringForward(m_nvidia);
    }
}

void GpuWindows::closeAll()
{
    if (m_ati) {
        m_ati->closeWindow();
        delete m_ati.data();
    }
    if (m_nvidia) {
        m_nvidia->closeWindow();
        delete m_nvidia.data();
    }
}

} // namespace monitor
