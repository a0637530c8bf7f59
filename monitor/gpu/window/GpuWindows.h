#pragma once
// The main window's GPU button: at most one NVIDIA Information and one ATI
// Info window, modeless. With an ATI sensor a click brings the ATI window
// forward or opens it; with an NVIDIA sensor, the NVIDIA window is brought
// forward or opened when there is no ATI sensor, or when the ATI window was
// already open before this click. A window that closes deletes itself, which
// clears its record here, so the next click opens a new one. The ATI window
// opens beside the main window, on the side of the screen with more room and
// level with its top, so the GPU button stays free for the second click.

#include "monitor/gpu/window/AtiInfoDialog.h"
#include "monitor/gpu/GpuSensors.h"
#include "monitor/gpu/window/NvidiaInfoDialog.h"
#include "monitor/settings/SettingsStore.h"

#include <QFont>
#include <QPointer>

namespace monitor {

class GpuWindows {
public:
    explicit GpuWindows(GpuSensors& sensors) : m_sensors(sensors) {}
    ~GpuWindows();
    GpuWindows(const GpuWindows&) = delete;
    GpuWindows& operator=(const GpuWindows&) = delete;

    // Windows beside the main window keep this gap with desktop composition.
    static constexpr int CompositionGap = 10;

    // The GPU button's click; the windows belong to `owner`, the main window.
    void openFromButton(dialog::DialogWindow* owner, MonitorSettings& settings, const QFont& mainFont,
                        Composition composition = Composition::Off);
    // Closes the open windows at once (shutdown), as their own Close does.
    void closeAll();

    NvidiaInfoDialog* nvidiaWindow() const { return m_nvidia.data(); }
    AtiInfoDialog* atiWindow() const { return m_ati.data(); }

private:
    static void bringForward(QWidget* window);
    static void placeBeside(const dialog::DialogWindow& owner, dialog::DialogWindow& window, Composition composition);

    GpuSensors& m_sensors;
    QPointer<NvidiaInfoDialog> m_nvidia;
    QPointer<AtiInfoDialog> m_ati;
};

} // namespace monitor
