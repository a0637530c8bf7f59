#pragma once
// The monitor's main window (dialog 102): the core columns, the information
// rows and the buttons, laid out as the build's MainWindowLayout says. It runs the window's part of the start-up, the
// timer that drives the sampling cycle, the minimise and close rules, and
// hands its state to the shutdown.
//
// Windows of other parts (settings, sensor test, benchmark, About box,
// graphics information, notification-area icons, placement and mini layout,
// the alarm's outputs) plug in through MainDialogParts; a button whose
// window is not plugged in is disabled.
//
// MainDialog.cpp holds the window itself; its rules live beside it in files
// named after them: WindowStartup, MinimiseRules, WindowColours,
// AlarmResponse, TemperatureHeading, SettingsFollowUp and GpuButton.

#include "dialog/DialogWindow.h"
#include "dialog/StaleMinimiseGuard.h"
#include "monitor/lifecycle/MonitorRecords.h"
#include "monitor/lifecycle/MonitorStartup.h"
#include "monitor/lifecycle/PowerEvents.h"
#include "monitor/settings/SettingsStore.h"
#include "monitor/ui/main/MainDialogParts.h"
#include "monitor/ui/main/MainWindowLayout.h"

#include <QRect>

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace dialog {
class ClientAreaDrag;
class HoverTimer;
}

namespace monitor {

struct ManyCoreBlock;

class MainDialog : public dialog::DialogWindow {
    Q_OBJECT
public:
    // Timer 1 drives the sampling cycle.
    static constexpr int SamplingTimer = 1;
    // The first tick comes this soon after start-up.
    static constexpr int FirstTickMs = 125;
    // A window less high than this counts as minimised (pixels).
    static constexpr int MinimisedHeight = 97;
    // The alarm's sound, looked up from the current folder, and how often it plays.
    static constexpr const char* WarningSoundFile = "OLWarning.wav";
    static constexpr int WarningSoundTicks = 6;

    // The parts must outlive the window.
    explicit MainDialog(MonitorRecords& records, MainDialogParts parts = {}, QWidget* parent = nullptr);
    ~MainDialog() override;

    // The start-up: the window's first steps, the monitor's start-up sequence,
    // then the window's own steps and the timer. Anything but Running means
    // the program ends; the message has been shown.
    StartupOutcome initialise(const StartupHooks& hooks = {});

    // The handler of timer 1.
    void handleTimer();

    // Ends the program as the close box does without MinimizeOnClose (also on
    // a termination signal).
    void endProgram();
    // Minimise and restore as the menus do.
    void minimizeWindow();
    void restoreWindow();
    // The Reset button's action (while the benchmark runs: stop it).
    void reset() { onReset(); }
    // The windows the notification-area menu opens, when they are plugged in.
    bool hasAboutBox() const { return m_parts.windows != nullptr; }
    void showAboutBox();
    bool hasLimitsWindow() const { return m_parts.windows != nullptr; }
    void showLimitsWindow();
    // Whether the desktop has a notification area (the icons' menu).
    bool notificationAreaExists() const;
    // The Settings window's "Nvidia" and "ATI" boxes when ticked: the sensor
    // is created when none exists; true when a sensor of that kind works now
    // (gpuPresent is then on). False when no graphics sensors are plugged in.
    bool enableNvidiaSensor();
    bool enableAtiSensor();

    // Colours and headings for the layout MiniMode names, repainted.
    void applyHeadingTheme();
    // Called when Fahrenheit may have changed: when it differs from the unit
    // the minimum and maximum values were taken in, the temperature frame's
    // heading is made again and those values start afresh.
    void followTemperatureUnit();
    // Ends a drag of the window by its client area.
    void endDrag();

    // Suspend and resume of the system.
    void systemSuspending();
    void systemResumed();

    // Stops the timer and reports what the shutdown saves.
    ExitState finishForShutdown();
    void removeIcons();

    // State the other parts and the tests read.
    MonitorRecords& records() { return m_records; }
    const MainWindowLayout& layout() const { return m_layout; }
    // The core columns by core slot: the template's, or those made for the
    // processor at start-up (many-core build).
    std::span<const CoreColumn> columns() const { return m_columns; }
    // Whether the core columns scroll (the window would not fit the screen).
    bool columnsScroll() const { return m_columnsScroll; }
    MonitorSettings& settings() { return *m_records.settings; }
    bool allowShow() const { return m_allowShow; }
    bool windowRestored() const { return m_windowRestored; }
    bool stopRequested() const { return m_stopRequested; }
    // The benchmark clears the request when it starts and when it found it.
    void clearStopRequest() { m_stopRequested = false; }
    std::optional<QRect> lastFullRect() const { return m_lastFullRect; }
    // The anchor position (left, top, right, bottom); all 0 when none is set.
    const std::array<int, 4>& anchorRect() const { return m_anchorRect; }
    void setAnchorRect(const std::array<int, 4>& rect) { m_anchorRect = rect; }
    const QRect& ownerRect() const { return m_ownerRect; }

    // The caption of the temperature frame for a unit text and Skull value.
    static QString temperatureHeading(const std::string& unitText, int skull);

    using dialog::DialogWindow::setVisible;
    void setVisible(bool visible) override;

protected:
    void onTimer(int id) override;
    void onCancel() override;
    void onCloseRequest() override;
    void onSystemCommand(int command) override;
    void changeEvent(QEvent* event) override;
    // A move the window manager made (a drag) counts at once: the program may
    // end before the next tick records the window's place.
    void moveEvent(QMoveEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyStartupWindowSteps();
    void buildCoreColumns();
    void scrollCoreColumns(const ManyCoreBlock& block, int availableHeight);
    // A frame heading and its copies in the many-core window's later bands.
    void setHeadingText(int frame, const QString& text);
    std::vector<int> headingControls() const;
    void connectCycleSteps();
    void firstTick();
    void handleAlarm();
    void raiseAlarm();
    void minimiseNow();

    void updateCaptionOrRectangle();
    void applyOnTop(bool onTop);
    void applyHeadingStyleIfDirty();
    void pushTexts();
    void setTextIfChanged(int id, const QString& text);
    void applyColours();
    void applyStatusColours();
    bool headingsColoured() const;

    void onReset();
    void onNextInfoView();
    void onSettings();
    void onGpuButton();

    MonitorRecords& m_records;
    const MainWindowLayout& m_layout;
    MainDialogParts m_parts;
    dialog::ClientAreaDrag* m_drag = nullptr;
    dialog::HoverTimer* m_hover = nullptr;
    std::unique_ptr<PowerEvents> m_power;

    bool m_firstTickPending = true;
    bool m_allowShow = false;
    bool m_windowRestored = true;
    dialog::StaleMinimiseGuard m_staleMinimise;
    bool m_stopRequested = false;
    // The alarm has raised the window in this alarm period.
    bool m_alarmLatched = false;
    // A desktop notice of the alarm is up.
    bool m_alarmNoticeShown = false;
    bool m_appliedOnTop = false;
    bool m_extremesFahrenheit = false; // the unit of the minimum and maximum values
    std::optional<QRect> m_lastFullRect;
    // The frame last asked of the window manager, the window's geometry it
    // was asked for, and the ticks since: asking is a round trip to the
    // display server, so it is asked again when the geometry changed, and
    // once a minute for decorations that changed alone.
    struct KnownFrame {
        QRect client;
        QRect frame;
        int ticks = 0;
    };
    std::optional<KnownFrame> m_knownFrame;
    static constexpr int FrameRereadTicks = 60;
    QRect currentFrameRect();
    std::array<int, 4> m_anchorRect{};
    QRect m_ownerRect;
    QString m_gpuText;
    int m_infoControl = 0;
    std::vector<CoreColumn> m_columns;
    std::unique_ptr<ManyCoreBlock> m_block;
    bool m_columnsScroll = false;
    // Thermal status colour last given to each column: 0 system, 1 dark red, 2 red.
    std::vector<int> m_statusColour;
};

} // namespace monitor
