// The Power Limits window on the simulated i7-2600K (power unit 1/8 W; PL1
// 95 W and PL2 118 W, both enabled; current limit 97 A): the ranges, what
// Apply writes and keeps, and the locks.

#include "LimitsRig.h"

#include "dialog/StandardIds.h"
#include "monitor/controls/window/PowerLimitsDialog.h"

namespace {

using namespace monitor;
using controlstest::LimitsRig;
namespace pkg = msr::pkg_power_limit;

constexpr uint64_t PowerOnLimits = 0x004683B6001482F8ull;
constexpr int PowerLimitControls[] = {IdLimit1, IdLimit2, IdEnable1, IdEnable2, IdClamp1, IdClamp2, IdLockPower};

class PowerLimits : public ::testing::Test {
protected:
    void open()
    {
        window = std::make_unique<PowerLimitsDialog>(*rig.access);
        window->setServices(rig.services);
        LimitsRig::showActive(*window);
    }
    QString text(int id) const { return window->text(id); }

    LimitsRig rig{"i7-2600k"};
    std::unique_ptr<PowerLimitsDialog> window;
};

TEST_F(PowerLimits, EighthWattUnitsLimitTheFieldsTo4095AndAreWrittenInThatUnit)
{
    open();
    EXPECT_EQ(window->caption(), QStringLiteral("Power Limits"));
    EXPECT_EQ(window->powerUnit(), 8);
    EXPECT_EQ(window->limitMax(), 4095);
    EXPECT_EQ(text(IdLimit1), QStringLiteral("95"));
    EXPECT_EQ(text(IdLimit2), QStringLiteral("118"));
    EXPECT_EQ(text(IdCurrentLimit), QStringLiteral("97"));
    EXPECT_TRUE(window->isChecked(IdEnable1));
    EXPECT_TRUE(window->isChecked(IdEnable2));
    EXPECT_FALSE(window->isChecked(IdClamp1));
    EXPECT_FALSE(window->isChecked(IdLockPower));
    EXPECT_FALSE(window->isEnabled(IdPowerApply));

    LimitsRig::type(*window, IdLimit1, QStringLiteral("5000"), IdLimit2);
    EXPECT_EQ(text(IdLimit1), QStringLiteral("4095"));
    EXPECT_TRUE(window->isEnabled(IdPowerApply));
    LimitsRig::type(*window, IdCurrentLimit, QStringLiteral("5000"), IdLimit2);
    EXPECT_EQ(text(IdCurrentLimit), QStringLiteral("4095"));
    LimitsRig::type(*window, IdLimit2, QStringLiteral("99999999999"), IdLimit1);
    EXPECT_EQ(text(IdLimit2), QStringLiteral("4095"));
    LimitsRig::type(*window, IdLimit2, QStringLiteral("118"), IdLimit1);

    LimitsRig::type(*window, IdLimit1, QStringLiteral("95"), IdLimit2);
    LimitsRig::type(*window, IdCurrentLimit, QStringLiteral("90"), IdLimit2);
    LimitsRig::click(*window, IdPowerApply);
    const std::vector<uint64_t> power = rig.written(msr::MSR_PKG_POWER_LIMIT);
    ASSERT_EQ(power.size(), 1u);
    EXPECT_EQ(pkg::PowerLimit1.get(power[0]), 760u);
    EXPECT_EQ(power[0], PowerOnLimits) << "every other bit as read, PL2's 118.75 W too";
    const std::vector<uint64_t> current = rig.written(msr::MSR_PP0_CURRENT_CONFIG);
    ASSERT_EQ(current.size(), 1u);
    EXPECT_EQ(current[0], 720u);
    EXPECT_FALSE(window->isEnabled(IdPowerApply));
}

TEST_F(PowerLimits, LockedPackageLimitIsLeftAloneWhileTheCurrentLimitIsWritten)
{
    rig.pokeAll(msr::MSR_PKG_POWER_LIMIT, pkg::Lock.set(PowerOnLimits, 1));
    open();
    for (int id : PowerLimitControls)
        EXPECT_FALSE(window->isEnabled(id)) << id;
    EXPECT_TRUE(window->isChecked(IdLockPower));
    EXPECT_TRUE(window->isEnabled(IdCurrentLimit));
    LimitsRig::type(*window, IdCurrentLimit, QStringLiteral("80"), IdLockCurrent);
    LimitsRig::click(*window, IdPowerApply);
    EXPECT_TRUE(rig.written(msr::MSR_PKG_POWER_LIMIT).empty());
    EXPECT_EQ(rig.written(msr::MSR_PP0_CURRENT_CONFIG), std::vector<uint64_t>{640});
}

TEST_F(PowerLimits, ClearingTheSecondEnableKeepsTheTimeWindows)
{
    open();
    LimitsRig::click(*window, IdEnable2);
    EXPECT_TRUE(window->isEnabled(IdPowerApply));
    LimitsRig::click(*window, IdPowerApply);
    const std::vector<uint64_t> power = rig.written(msr::MSR_PKG_POWER_LIMIT);
    ASSERT_EQ(power.size(), 1u);
    EXPECT_FALSE(pkg::EnableLimit2.test(power[0]));
    EXPECT_EQ(pkg::TimeWindow2.get(power[0]), pkg::TimeWindow2.get(PowerOnLimits));
    EXPECT_EQ(pkg::TimeWindow1.get(power[0]), pkg::TimeWindow1.get(PowerOnLimits));
    EXPECT_FALSE(window->isChecked(IdEnable2)) << "as read back";
}

TEST_F(PowerLimits, EachClampingBoxWritesItsOwnLimitsBit)
{
    struct Case {
        int box;
        bool clamp1, clamp2;
    };
    for (const Case& c : {Case{IdClamp1, true, false}, Case{IdClamp2, false, true}}) {
        rig.pokeAll(msr::MSR_PKG_POWER_LIMIT, PowerOnLimits);
        open();
        LimitsRig::click(*window, c.box);
        LimitsRig::click(*window, IdPowerApply);
        const std::vector<uint64_t> power = rig.written(msr::MSR_PKG_POWER_LIMIT);
        ASSERT_FALSE(power.empty()) << c.box;
        const uint64_t written = power.back();
        EXPECT_EQ(pkg::ClampLimit1.test(written), c.clamp1) << c.box;
        EXPECT_EQ(pkg::ClampLimit2.test(written), c.clamp2) << c.box;
    }
}

TEST_F(PowerLimits, LockingARegisterDisablesItsControls)
{
    open();
    LimitsRig::click(*window, IdLockPower);
    LimitsRig::click(*window, IdPowerApply);
    EXPECT_TRUE(pkg::Lock.test(rig.peek(msr::MSR_PKG_POWER_LIMIT)));
    for (int id : PowerLimitControls)
        EXPECT_FALSE(window->isEnabled(id)) << id;
    EXPECT_TRUE(window->isEnabled(IdCurrentLimit));

    LimitsRig::click(*window, IdLockCurrent);
    LimitsRig::click(*window, IdPowerApply);
    EXPECT_FALSE(window->isEnabled(IdCurrentLimit));
    EXPECT_FALSE(window->isEnabled(IdLockCurrent));
    EXPECT_EQ(rig.written(msr::MSR_PKG_POWER_LIMIT).size(), 1u) << "the locked register is not written again";
}

TEST_F(PowerLimits, EnterInAFieldDoesNothingOkAppliesAndCancelDoesNot)
{
    open();
    window->setFocus(IdLimit1);
    window->widget<QLineEdit>(IdLimit1)->selectAll();
    QTest::keyClicks(window->control(IdLimit1), QStringLiteral("80"));
    QTest::keyClick(window->control(IdLimit1), Qt::Key_Return);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(rig.written(msr::MSR_PKG_POWER_LIMIT).empty());

    LimitsRig::click(*window, dialog::IDCANCEL);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(rig.written(msr::MSR_PKG_POWER_LIMIT).empty());

    open();
    LimitsRig::type(*window, IdLimit1, QStringLiteral("80"), dialog::IDOK);
    QTest::keyClick(window->control(dialog::IDOK), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(pkg::PowerLimit1.get(rig.peek(msr::MSR_PKG_POWER_LIMIT)), 640u);
}

} // namespace
