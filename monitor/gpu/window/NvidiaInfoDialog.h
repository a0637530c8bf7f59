#pragma once
// The NVIDIA Information window (template 157), modeless: one GPU's name,
// driver version, link width and memory, and its minimum and maximum
// temperature with their dates and times. The button steps through the GPUs
// ("OK" with a single GPU, which closes the window); the right-click menu
// resets the statistics or closes. A window timer of RefreshInterval
// refreshes it. Closing (also Enter and Escape) deletes the window.

#include "dialog/DialogWindow.h"
#include "monitor/gpu/NvidiaSensor.h"
#include "monitor/settings/MonitorSettings.h"

#include <QFont>

#include <memory>


namespace monitor {

class NvidiaInfoDialog : public dialog::DialogWindow {
    Q_OBJECT
public:
    enum ControlId : int {
        IDC_NV_NAME = 1187,
        IDC_NV_DRIVER = 1188,
        IDC_NV_LINK_WIDTH = 1189,
        IDC_NV_MEMORY = 1190,
        IDC_NV_MIN = 1191,
        IDC_NV_MIN_DATE = 1192,
        IDC_NV_MIN_TIME = 1193,
        IDC_NV_MAX = 1194,
        IDC_NV_GPU_BUTTON = 1195,
        IDC_NV_MIN_GROUP = 1196,
        IDC_NV_MAX_GROUP = 1197,
        IDC_NV_MAX_DATE = 1198,
        IDC_NV_MAX_TIME = 1199,
    };
    enum MenuCommand : int { ID_NV_RESET = 32783, ID_NV_CLOSE = 32784 };
    static constexpr int RefreshTimer = 1;

    NvidiaInfoDialog(NvidiaSensor& sensor, MonitorSettings& settings, const QFont& mainFont,
                     QWidget* parent = nullptr);

    // The timer's work: the link width and, once read, the extremes.
    void refresh();
    // The menu, each action carrying its command; and a command's work.
    void runCommand(int command);
    // Stops the timer and deletes the window once it is gone.
    void closeWindow();

protected:
    void onOk() override { closeWindow(); }
    void onCancel() override { closeWindow(); }
    void onEnter(int) override { closeWindow(); }
    void onTimer(int id) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onNextGpu();
    void fillNameAndMemory();
    void emptyExtremes();

    NvidiaSensor& m_sensor;
    MonitorSettings& m_settings;
    uint32_t m_shownGpu = 0;
    bool m_closing = false;
};

} // namespace monitor
