#pragma once
// The ATI Info window (template 158), modeless: one adapter's name without
// " Series", its minimum and maximum temperature with dates and times, the
// temperature of the last poll, clocks, voltage and link width; the reading
// interval and the switch that stops the sensor reading. The button steps
// through the adapters that have been read ("OK" with a single adapter,
// which closes the window); the right-click menu resets or closes. A
// one-second timer refreshes it on the sensor's poll seconds. Closing (also
// Enter and Escape) hands PollInterval and DisableSensor to `saveKeys` and
// deletes the window.

#include "dialog/DialogWindow.h"
#include "monitor/gpu/AtiSensor.h"
#include "monitor/settings/MonitorSettings.h"

#include <QFont>

#include <functional>
#include <memory>


namespace monitor {

class AtiInfoDialog : public dialog::DialogWindow {
    Q_OBJECT
public:
    enum ControlId : int {
        IDC_ATI_DISABLE = 1009,
        IDC_ATI_GPU_BUTTON = 1200,
        IDC_ATI_INTERVAL = 1201,
        IDC_ATI_NAME = 1202,
        IDC_ATI_MIN = 1203,
        IDC_ATI_MAX = 1204,
        IDC_ATI_MIN_DATE = 1205,
        IDC_ATI_MIN_TIME = 1206,
        IDC_ATI_MAX_DATE = 1207,
        IDC_ATI_MAX_TIME = 1208,
        IDC_ATI_MIN_GROUP = 1209,
        IDC_ATI_MAX_GROUP = 1210,
        IDC_ATI_TEMPERATURE = 1212,
        IDC_ATI_CORE_CLOCK = 1213,
        IDC_ATI_MEMORY_CLOCK = 1214,
        IDC_ATI_VOLTAGE = 1215,
        IDC_ATI_LINK_WIDTH = 1216,
        IDC_ATI_TEMPERATURE_LABEL = 1217,
    };
    enum MenuCommand : int { ID_ATI_RESET = 32785, ID_ATI_CLOSE = 32786 };
    static constexpr int RefreshTimer = 1;
    static constexpr int RefreshMs = 1000;
    static constexpr int LongestInterval = 3600;

    AtiInfoDialog(AtiSensor& sensor, MonitorSettings& settings, const QFont& mainFont,
                  std::function<void()> saveKeys, QWidget* parent = nullptr);

    int shownAdapter() const { return m_adapter; }
    // The timer's work.
    void refresh();
    void runCommand(int command);
    // Stops the timer, saves the keys and deletes the window once it is gone.
    void closeWindow();

    // An adapter name as the window shows it: every " Series" removed.
    static QString shownName(const std::string& name);

protected:
    void onOk() override { closeWindow(); }
    void onCancel() override { closeWindow(); }
    void onEnter(int) override { closeWindow(); }
    void onTimer(int id) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onNextGpu();
    void onDisableToggled();
    void checkInterval();
    bool due() const;
    void setCaptions();
    void emptyReadings();
    void emptyActivity();

    AtiSensor& m_sensor;
    MonitorSettings& m_settings;
    std::function<void()> m_saveKeys;
    int m_adapter = 0;
    int m_gpuNumber = 1;
    bool m_readNow = false;
    bool m_fahrenheitShown = false;
    bool m_closing = false;
};

} // namespace monitor
