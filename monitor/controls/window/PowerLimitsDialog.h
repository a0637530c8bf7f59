#pragma once
// The Power Limits window (dialog 160) of Sandy Bridge processors: the two
// running-average package power limits with their enable, clamping and lock
// bits, and the package current limit with its lock. Apply (and OK from the
// OK button) writes each register unless its lock bit is set and shows what
// reads back; a locked register's controls are disabled. Nothing is stored.

#include "dialog/DialogWindow.h"
#include "monitor/controls/PowerLimitRegisters.h"

namespace monitor {

enum PowerLimitsId : int {
    IdLockCurrent = 1009,
    IdLimit1 = 1260,
    IdLimit2 = 1261,
    IdEnable1 = 1262,
    IdEnable2 = 1263,
    IdClamp1 = 1264,
    IdClamp2 = 1265,
    IdLockPower = 1266,
    IdPowerApply = 1516,
    IdCurrentLimit = 1532,
};

class PowerLimitsDialog : public dialog::DialogWindow {
    Q_OBJECT
public:
    static constexpr int ResourceId = 160;

    explicit PowerLimitsDialog(hw::HardwareAccess& access, QWidget* parent = nullptr);

    int powerUnit() const { return m_registers.powerUnit(); }
    int limitMax() const { return m_registers.limitMax(); }

protected:
    void onOk() override;

private:
    void showPowerLimits();
    void applyPowerLimits();
    void readControls();
    // The field's number, at most limitMax; a text that is no number gets
    // the value it had back.
    void checkField(int id, int& value);

    PowerLimitRegisters m_registers;
    PowerLimitValues m_values;
};

} // namespace monitor
