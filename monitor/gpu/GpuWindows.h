#pragma once
// The main window's GPU button: at most one NVIDIA Information and one ATI
// Info window, modeless. With an ATI sensor a click brings the ATI window
// forward or opens it; with an NVIDIA sensor, the NVIDIA window is brought
// forward or opened when there is no ATI sensor, or when the ATI window was
// already open before this click. A window that closes deletes itself, which
// clears its record here, so the next click opens a new one.

#include "monitor/gpu/AtiInfoDialog.h"
#include "monitor/gpu/GpuSensors.h"
#include "monitor/gpu/NvidiaInfoDialog.h"

#include <QFont>
#include <QPointer>

namespace monitor {

class GpuWindows {
public:
    explicit GpuWindows(GpuSensors& sensors) : m_sensors(sensors) {}
    ~GpuWindows();
    GpuWindows(const GpuWindows&) = delete;
    GpuWindows& operator=(const GpuWindows&) = delete;

    // The GPU button's click; the windows belong to `owner`.
    void openFromButton(QWidget* owner, MonitorSettings& settings, const QFont& mainFont);
    // Closes the open windows at once (shutdown), as their own Close does.
    void closeAll();

    NvidiaInfoDialog* nvidiaWindow() const { return m_nvidia.data(); }
    AtiInfoDialog* atiWindow() const { return m_ati.data(); }

private:
    static void bringForward(QWidget* window);

    GpuSensors& m_sensors;
    QPointer<NvidiaInfoDialog> m_nvidia;
    QPointer<AtiInfoDialog> m_ati;
};

} // namespace monitor
