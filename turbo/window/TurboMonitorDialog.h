#pragma once
// Sparvel's one window: the figures of the turbo sampler once a second, the
// log with notes, the turbo / SpeedStep / C-state switches, the settings file
// and the notification icon while minimised. Closing it ends the program.

#include "dialog/ClientAreaDrag.h"
#include "dialog/DialogWindow.h"
#include "dialog/StaleMinimiseGuard.h"
#include "dialog/TrayIcon.h"
#include "hw/HardwareAccess.h"
#include "turbo/ProcessorSwitches.h"
#include "turbo/TurboLog.h"
#include "turbo/TurboSampler.h"
#include "turbo/TurboSettings.h"

#include <QIcon>

#include <array>
#include <memory>
#include <string>
#include <vector>

class QLineEdit;
class QMenu;
class QScrollArea;

namespace turbo {

class ThreadBoxRows;

using dialog::TrayEvent;
using dialog::TrayIcon;

enum TurboMonitorId : int {
    IdAverage = 1000,
    IdMinimum = 1004,
    IdMaximum = 1005,
    IdResetMinMax = 1006,
    IdTurboDisable = 1013,
    IdLoadFilter = 1015,
    IdAverageC0 = 1026,
    IdLog = 1024,
    IdExcel = 1025,
    IdNote = 1031,
    IdAddNote = 1032,
    IdEist = 1033,
    IdCStates = 1034,
    IdNameLine = 1035,
    IdStdDev = 1036,
    IdSigma = 1037,
    IdPeak = 1063,
    IdAbout = 1064,
};

enum TurboMonitorCommand : int {
    CmdTrayTitle = 32769,
    CmdTrayRestore = 32770,
    CmdTrayExit = 32771,
    CmdAbout = 32797,
};

// Multiplier and C0 boxes of slots 0..15, left to right, upper row first.
// Slots beyond them get boxes of their own in rows of eight below
// (ThreadBoxRows), reached through multiplierBox() and c0Box().
inline constexpr std::array<int, kSlotCount> kMultiplierBoxes = {
    1038, 1039, 1040, 1041, 1042, 1043, 1044, 1045, 1049, 1050, 1047, 1048, 1055, 1056, 1057, 1058};
inline constexpr std::array<int, kSlotCount> kC0Boxes = {
    1016, 1017, 1018, 1019, 1020, 1021, 1022, 1023, 1053, 1054, 1051, 1052, 1059, 1060, 1061, 1062};

struct TurboMonitorOptions {
    std::string settingsPath;            // the INI file beside the program
    std::string logDirectory = ".";      // where SparvelLog.txt / .csv go
    dialog::DialogServices* services = nullptr; // message boxes; Qt's when null
    std::unique_ptr<TrayIcon> tray;      // QSystemTrayIcon when null
};

class TurboMonitorDialog : public dialog::DialogWindow {
    Q_OBJECT
public:
    static constexpr int kTickTimer = 1;
    static constexpr int kTickMs = 1000;

    TurboMonitorDialog(platform::Processor& processor, TurboMonitorOptions options, QWidget* parent = nullptr);
    ~TurboMonitorDialog() override;

    // The start-up sequence. On failure the message has been shown, the
    // window is asked to close, and false comes back.
    bool start();
    // Runs once, when the window goes: writes the log and settings, removes
    // the icon, frees the sampler and closes the access layer.
    void shutdown();

    // One timer tick.
    void tick();

    // "%.3fX\n%.2f%%": the icon's tip for an average multiplier and C0 share.
    static QString trayTip(double averageMultiplier, double averageC0);
    bool trayIconShown() const { return m_trayIconShown; }
    TrayIcon& tray() { return *m_tray; }

    // The menus, built on demand; shown at the cursor by the handlers.
    QMenu* contextMenu();
    QMenu* trayMenu();
    void runCommand(int command);
    void onTrayEvent(TrayEvent event);

    // The boxes of a slot, 0 to boxCount() - 1.
    int boxCount() const { return static_cast<int>(m_multiplierBoxes.size()); }
    QLineEdit* multiplierBox(int slot) const { return m_multiplierBoxes.at(static_cast<size_t>(slot)); }
    QLineEdit* c0Box(int slot) const { return m_c0Boxes.at(static_cast<size_t>(slot)); }
    // The area that holds both groups once there are more than sixteen
    // slots; null until then.
    QScrollArea* boxArea() const;

    TurboSampler* sampler() { return m_sampler.get(); }
    TurboLog& log() { return m_log; }
    LogState logState() const { return m_logState; }
    LogFormat logFormat() const { return m_logFormat; }
    bool eistApplied() const { return m_eistApplied; }
    bool cStatesApplied() const { return m_cStatesApplied; }

protected:
    void onEnter(int focusedControl) override;
    void onTimer(int id) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void connectHandlers();
    void fail(const std::string& message, const QString& caption);
    void resetMinMax();
    void applyLoadFilter();
    void toggleLog();
    void addLogNote();
    void switchTurbo();
    void switchEist();
    void switchCStates();
    void readSwitches();
    void applyCStates(SwitchState state);
    void showAbout();
    void showReading(const TurboReading& reading);
    void addBoxesBeyondSixteen();
    void windowMinimised();
    void windowRestored();
    void restoreWindow();
    static QIcon programIcon();

    platform::Processor& m_processor;
    hw::HardwareAccess m_access;
    TurboMonitorOptions m_options;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<TurboSampler> m_sampler;
    std::unique_ptr<ProcessorSwitches> m_switches;
    dialog::ClientAreaDrag* m_drag;
    QIcon m_icon;
    QMenu* m_contextMenu = nullptr;
    QMenu* m_trayMenu = nullptr;
    std::vector<QLineEdit*> m_multiplierBoxes;
    std::vector<QLineEdit*> m_c0Boxes;
    std::unique_ptr<ThreadBoxRows> m_boxRows;

    TurboLog m_log;
    LogState m_logState = LogState::Off;
    LogFormat m_logFormat = LogFormat::Text;
    bool m_eistApplied = false;
    bool m_cStatesApplied = false;
    bool m_trayIconShown = false;
    dialog::StaleMinimiseGuard m_staleMinimise;
    bool m_settingsRead = false;
    bool m_timerPeriodRaised = false;
    bool m_shutDown = false;
};

} // namespace turbo
