#include "monitor/gpu/window/GpuWindows.h"

#include "dialog/BesideOwner.h"

#include <QScreen>

namespace monitor {

GpuWindows::~GpuWindows() { closeAll(); }

void GpuWindows::bringForward(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void GpuWindows::placeBeside(const dialog::DialogWindow& owner, dialog::DialogWindow& window,
                             Composition composition)
{
    const QRect main = owner.frameRect();
    const QScreen* screen = owner.screen();
    const int screenWidth = screen ? screen->geometry().width() : 0;
    const int gap = composition == Composition::On ? CompositionGap : 0;
    const int width = window.frameRect().width();
    window.moveFrameTo(QPoint(dialog::besideOwnerLeft(main, screenWidth, width, gap), main.top()));
}

void GpuWindows::openFromButton(dialog::DialogWindow* owner, MonitorSettings& settings, const QFont& mainFont,
                                Composition composition)
{
    bool atiCreatedNow = false;
    if (settings.atiPresent && m_sensors.ati()) {
        if (!m_ati) {
            m_ati = new AtiInfoDialog(*m_sensors.ati(), settings, mainFont, [this] { m_sensors.saveAtiPolling(); },
                                      owner);
            if (owner)
                placeBeside(*owner, *m_ati, composition);
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
