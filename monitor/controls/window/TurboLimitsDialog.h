#pragma once
// The Turbo Boost Limits window (dialog 159) of Nehalem-class processors
// other than Sandy Bridge: the highest turbo ratio for one to six active
// cores and the TDP/TDC limits. Apply writes the registers and shows them as
// they read back; OK applies, stores them in the settings file (from which
// the next start-up writes them again) and closes; Cancel closes, leaving
// what was applied in the processor. Every opening reads the registers
// afresh.

#include "dialog/DialogWindow.h"
#include "monitor/controls/TurboLimitRegisters.h"
#include "monitor/settings/MonitorSettings.h"
#include "monitor/settings/SettingsLayout.h"

#include <string>

namespace monitor {

enum TurboLimitsId : int {
    IdRatioSpin1 = 1510,  // spins of 1 to 6 active cores: 1510..1515
    IdTurboApply = 1516,
    IdTdpSpin = 1517,
    IdTdcSpin = 1518,
    IdRatio1 = 1519,      // read-only ratios of 1 to 6 active cores: 1519..1524
    IdTdp = 1525,
    IdTdc = 1526,
};

class TurboLimitsDialog : public dialog::DialogWindow {
    Q_OBJECT
public:
    static constexpr int ResourceId = 159;

    TurboLimitsDialog(hw::HardwareAccess& access, MonitorSettings& settings, std::string iniPath,
                      const SettingsLayout& layout, QWidget* parent = nullptr);

    const TurboLimitValues& values() const { return m_values; }
    int baseRatio() const { return m_registers.baseRatio(); }

protected:
    void onOk() override;
    void onEnter(int focusedControl) override;

private:
    void showTurboLimits();
    void applyTurboLimits();
    void storeTurboLimits();
    void stepRatio(int index, int delta);
    void stepTdp(int delta);
    void stepTdc(int delta);
    void checkTdp();
    void checkTdc();
    // The field's number within its range; a text that is no number gets
    // the value it had back.
    void checkField(int id, int& value, int (*clamp)(int));

    hw::HardwareAccess& m_access;
    MonitorSettings& m_settings;
    std::string m_iniPath;
    const SettingsLayout& m_layout;
    TurboLimitRegisters m_registers;
    TurboLimitValues m_values;
};

} // namespace monitor
