#pragma once
// The settings window: every user setting of the monitor, opened modally by
// the main window's Settings button. The window edits a working copy and
// hands it to MonitorSettings on Apply and OK (OK also saves the file, and
// tells when it could not); icons, alarms, the log interval, the unit,
// 3 Digits, the icon font and the processor switches (C1E, SpeedStep, turbo)
// act at once, and Apply takes them too as the window shows them. Cancel
// writes the clock modulation read at opening back; Defaults changes only the
// window, except that it switches clock modulation off at once.

#include "dialog/DialogWindow.h"
#include "monitor/settings/MonitorSettings.h"
#include "monitor/settings/WriteResult.h"
#include "monitor/settings/window/SettingsDialogTemplate.h"
#include "monitor/ui/desktop/CompositionCorrection.h"

#include <QSize>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace monitor {

class MainDialog;
class NotificationIcons;
struct MonitorRecords;

struct SettingsDialogHooks {
    // The icon boxes act on these; without them no icon can be shown.
    NotificationIcons* icons = nullptr;
    // The "Nvidia" and "ATI" boxes: create the sensor when none exists;
    // true when one works. A box without its function is disabled.
    std::function<bool()> createNvidiaSensor;
    std::function<bool()> createAtiSensor;
    // The "RivaTuner" button: installs the monitoring plug-in and gives the
    // path to keep in RivaFile, nothing when the user gave up. The button is
    // disabled without it.
    std::function<std::optional<std::string>(dialog::DialogWindow& window, const std::string& rivaFile)>
        installPlugin;
    // Whether desktop composition is on (the window then keeps 10 pixels
    // away from the main window).
    Composition composition = Composition::Off;
    // The screen size for the placement; default: the main window's screen.
    std::function<QSize()> screenSize;
};

class SettingsDialog : public dialog::DialogWindow {
    Q_OBJECT
public:
    // Space kept free above the bottom of the screen, and the gap to the main
    // window with desktop composition (pixels).
    static constexpr int BottomMargin = 45;
    static constexpr int CompositionGap = 10;

    // Runs the opening steps; the window is placed beside the main window.
    explicit SettingsDialog(MainDialog& owner, SettingsDialogHooks hooks = {});
    ~SettingsDialog() override;

    // Values the window keeps besides its controls, for the tests.
    int dutyCode() const { return m_copy.dutyCode; }
    int idleTenths(int core) const { return m_copy.idle[static_cast<size_t>(core)]; }

    // The Apply button's action.
    void apply();
    // Defaults: the window's controls only, and clock modulation off.
    void restoreDefaults();

protected:
    void onOk() override;
    void onCancel() override;
    void onEnter(int focusedControl) override;

private:
    struct WorkingCopy {
        std::array<int, hw::MaxCoreSlots> tjMax{};
        std::array<int, hw::MaxCoreSlots> idle{};
        std::array<Colour, hw::MaxCoreSlots> iconColour{};
        Colour gpuColour = 0, guiColor = 0, guiMiniColor = 0, guiText = 0, guiMiniText = 0;
        Colour normHead = 0, miniHead = 0, coreMax = 0;
        int normHeading = 0, miniHeading = 0;
        std::string alarmFile;
        std::string rivaFile;
        int dutyCode = 8;
        // The checked fields as last checked (a text that is no number
        // gives them back).
        int logInterval = 0, alarm1 = 0, alarm2 = 0;
    };

    void connectHandlers();
    void open();
    void fillCopy();
    void placeBesideOwner();
    void showApicIds();
    void readFeatureSwitches();
    void readClockModulation();
    // The exchange between the copy and the controls.
    void readControls();
    void writeControls();

    // Leaving-the-field checks.
    void checkIdleField(int core);
    void checkTjMaxField(int core);
    void checkLogInterval();
    void checkCpuAlarm();
    void checkGpuAlarm();
    bool isCheckedField(int id) const;

    // Immediate actions.
    void toggleSetTjMax();
    void toggleCoreIcon(int core);
    void toggleGpuIcon();
    void toggleMaxIcon();
    void updateTaskBarRule();
    void toggleAlarm();
    void toggleFahrenheit();
    void toggleThreeDigits();
    void stepIconFont(int delta);
    void stepDuty(int delta);
    void chooseColour(Colour& colour);
    void chooseHeadingColour(Colour& colour, int& headingFlag);
    void chooseIconFont();
    // A settings file that could not be written: a message box, and the
    // same on standard error, every time.
    void reportWriteFailure(const WriteResult& result);
    void chooseAlarmFile();
    void installPlugin();
    void switchC1e();
    void switchEist();
    void switchTurbo();
    void switchNvidia();
    void switchAti();
    void enableDependents();
    void enableApply();
    void markIconsForRedraw();

    const SettingsColumn& column(int core) const { return m_columnIds[static_cast<size_t>(core)]; }
    bool corePresent(int core) const;
    bool gpuWorks() const;
    bool iconShown() const;
    int gpuIconBit() const;
    QString iconFontText() const;

    MainDialog& m_owner;
    MonitorRecords& m_records;
    MonitorSettings& m_settings;
    SettingsDialogHooks m_hooks;
    // The core columns of the window, by core slot.
    std::vector<SettingsColumn> m_columnIds;
    int m_columns;
    WorkingCopy m_copy;
    uint32_t m_clockModulationImage = 0;
    int m_taskBarAtOpening = 0;
    bool m_iconMaxAtOpening = false;
};

} // namespace monitor
