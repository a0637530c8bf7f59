// The Turbo Boost Limits window on simulated Nehalem-class processors: the
// ratio and TDP/TDC controls, their ranges, what Apply writes, what OK
// stores, and a processor that may not program one of the registers.

#include "LimitsRig.h"

#include "dialog/StandardIds.h"
#include "monitor/controls/window/TurboLimitsDialog.h"
#include "monitor/settings/SettingsLayout.h"
#include "platform/IniFile.h"

namespace {

using namespace monitor;
using controlstest::LimitsRig;
namespace ratio_limit = msr::turbo_ratio_limit;

class TurboLimits : public ::testing::Test {
protected:
    void open(const std::string& profile, uint64_t clearedPlatformInfo = 0)
    {
        rig = std::make_unique<LimitsRig>(profile, 0, clearedPlatformInfo);
        openWindow();
    }
    void openWindow()
    {
        window = std::make_unique<TurboLimitsDialog>(*rig->access, rig->settings, rig->iniPath, FourCoreSettings);
        window->setServices(rig->services);
        LimitsRig::showActive(*window);
    }
    QString text(int id) const { return window->text(id); }

    std::unique_ptr<LimitsRig> rig;
    std::unique_ptr<TurboLimitsDialog> window;
};

TEST_F(TurboLimits, FourCoreProcessorKeepsTheMissingCoreCountsAtZero)
{
    open("i7-975");
    EXPECT_EQ(window->caption(), QStringLiteral("Turbo Boost Limits"));
    EXPECT_EQ(window->baseRatio(), 25);
    EXPECT_FALSE(window->isEnabled(IdTurboApply));
    const char* const shown[] = {"27", "26", "26", "26", "0", "0"};
    for (int n = 0; n < TurboRatioCount; ++n) {
        EXPECT_EQ(text(IdRatio1 + n), QString::fromLatin1(shown[n])) << n + 1 << " cores";
        EXPECT_EQ(window->isEnabled(IdRatioSpin1 + n), n < 4) << n + 1 << " cores";
    }

    LimitsRig::spin(*window, IdRatioSpin1 + 3, -1);
    EXPECT_EQ(text(IdRatio1 + 3), QStringLiteral("27"));
    EXPECT_TRUE(window->isEnabled(IdTurboApply));
    LimitsRig::click(*window, IdTurboApply);

    const std::vector<uint64_t> written = rig->written(msr::MSR_TURBO_RATIO_LIMIT);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], 0x1B1A1A1Bull) << "bytes of five and six cores written as 0";
    EXPECT_EQ(rig->peek(msr::MSR_TURBO_RATIO_LIMIT), 0x1B1A1A1Bull);
    EXPECT_EQ(text(IdRatio1 + 3), QStringLiteral("27"));
    EXPECT_FALSE(window->isEnabled(IdTurboApply));
}

struct RatioStep {
    const char* name;
    int startRatio; // of one active core
    int delta;
    const char* shown;
};

class RatioSpin : public TurboLimits, public ::testing::WithParamInterface<RatioStep> {};

TEST_P(RatioSpin, StaysBetweenTheBaseRatioAnd255)
{
    const RatioStep& c = GetParam();
    rig = std::make_unique<LimitsRig>("i7-975");
    rig->pokeAll(msr::MSR_TURBO_RATIO_LIMIT, ratio_limit::ratioForActiveCores(1).set(0x1A1A1A00, c.startRatio));
    openWindow();
    LimitsRig::spin(*window, IdRatioSpin1, c.delta);
    EXPECT_EQ(text(IdRatio1), QString::fromLatin1(c.shown));
}

INSTANTIATE_TEST_SUITE_P(Steps, RatioSpin,
                         ::testing::Values(RatioStep{"DownAtTheBaseRatioStays", 25, +1, "25"},
                                           RatioStep{"DownAboveTheBaseRatio", 27, +1, "26"},
                                           RatioStep{"UpAt255Stays", 255, -1, "255"},
                                           RatioStep{"UpBelow255", 27, -1, "28"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FieldEntry {
    const char* name;
    int field;
    const char* typed;
    const char* shown;
    bool applyEnabled;
};

class TurboField : public TurboLimits, public ::testing::WithParamInterface<FieldEntry> {};

TEST_P(TurboField, IsCheckedOnLeavingIt)
{
    const FieldEntry& c = GetParam();
    open("i7-975"); // TDP 130 W, TDC 110 A
    LimitsRig::type(*window, c.field, QString::fromLatin1(c.typed), dialog::IDOK);
    EXPECT_EQ(text(c.field), QString::fromLatin1(c.shown));
    EXPECT_EQ(window->isEnabled(IdTurboApply), c.applyEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, TurboField,
    ::testing::Values(FieldEntry{"TdpAboveItsRange", IdTdp, "3000", "2047", true},
                      FieldEntry{"TdcBelowZero", IdTdc, "-5", "0", true},
                      FieldEntry{"TdcAboveItsRange", IdTdc, "4096", "4095", true},
                      FieldEntry{"TdpUnchanged", IdTdp, "130", "130", false},
                      FieldEntry{"TdpNotANumberKeepsTheLimit", IdTdp, "9x", "130", false},
                      FieldEntry{"TdpElevenDigits", IdTdp, "99999999999", "2047", true},
                      FieldEntry{"TdcElevenDigitsBelowZero", IdTdc, "-99999999999", "0", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TurboLimits, SpinsStepTheLimitsWithinTheirRange)
{
    open("i7-975");
    LimitsRig::type(*window, IdTdp, QStringLiteral("2047"), IdTdc);
    LimitsRig::spin(*window, IdTdpSpin, -1);
    EXPECT_EQ(text(IdTdp), QStringLiteral("2047"));
    LimitsRig::type(*window, IdTdc, QStringLiteral("1"), IdTdp);
    LimitsRig::spin(*window, IdTdcSpin, +1, 2);
    EXPECT_EQ(text(IdTdc), QStringLiteral("0"));
    LimitsRig::spin(*window, IdTdcSpin, -1);
    EXPECT_EQ(text(IdTdc), QStringLiteral("1"));
    // A step from a number too long for the field starts at the end of the range.
    window->setText(IdTdc, QStringLiteral("-99999999999"));
    LimitsRig::spin(*window, IdTdcSpin, -1);
    EXPECT_EQ(text(IdTdc), QStringLiteral("1"));
    window->setText(IdTdp, QStringLiteral("99999999999"));
    LimitsRig::spin(*window, IdTdpSpin, -1);
    EXPECT_EQ(text(IdTdp), QStringLiteral("2047"));
}

TEST_F(TurboLimits, ApplyWritesTdpAndTdcWithBothOverrides)
{
    open("i7-975");
    LimitsRig::type(*window, IdTdp, QStringLiteral("95"), IdTdc);
    LimitsRig::type(*window, IdTdc, QStringLiteral("80"), IdTdp);
    LimitsRig::click(*window, IdTurboApply);

    const std::vector<uint64_t> written = rig->written(msr::MSR_TURBO_POWER_CURRENT_LIMIT);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], 0x828082F8ull);
    EXPECT_EQ(text(IdTdp), QStringLiteral("95"));
    EXPECT_EQ(text(IdTdc), QStringLiteral("80"));
    EXPECT_FALSE(window->isEnabled(IdTurboApply));
}

TEST_F(TurboLimits, EnterMovesBetweenTheLimitsAndOkStoresWhatReadsBack)
{
    open("i7-975");
    window->setFocus(IdTdp);
    window->widget<QLineEdit>(IdTdp)->selectAll();
    QTest::keyClicks(window->control(IdTdp), QStringLiteral("3000"));
    QTest::keyClick(window->control(IdTdp), Qt::Key_Return);
    EXPECT_EQ(window->focusedId(), IdTdc);
    EXPECT_EQ(text(IdTdp), QStringLiteral("2047"));
    QTest::keyClick(window->control(IdTdc), Qt::Key_Return);
    EXPECT_EQ(window->focusedId(), IdTdp);
    EXPECT_TRUE(window->isVisible()) << "Enter in a field does not close the window";

    LimitsRig::spin(*window, IdRatioSpin1, +1, 2);
    window->setFocus(dialog::IDOK);
    QTest::keyClick(window->control(dialog::IDOK), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());

    const platform::IniFile ini(rig->iniPath);
    EXPECT_EQ(ini.readString("Pavolt", "OneADEAX", ""), "0x1A1A1A19");
    EXPECT_EQ(ini.readString("Pavolt", "OneADEDX", ""), "0x0");
    EXPECT_EQ(ini.readString("Pavolt", "TDPTDC", ""), "0x8370BFF8"); // 2047 W, 110 A, both overrides
    EXPECT_EQ(rig->settings.OneADEAX, 0x1A1A1A19u);
}

TEST_F(TurboLimits, CancelKeepsWhatWasAppliedAndStoresNothing)
{
    open("i7-975");
    LimitsRig::spin(*window, IdRatioSpin1, -1);
    LimitsRig::click(*window, IdTurboApply);
    LimitsRig::spin(*window, IdRatioSpin1, -1);
    LimitsRig::click(*window, dialog::IDCANCEL);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(rig->peek(msr::MSR_TURBO_RATIO_LIMIT), 0x1A1A1A1Cull);
    EXPECT_EQ(platform::IniFile(rig->iniPath).readString("Pavolt", "OneADEAX", "absent"), "absent");
}

TEST_F(TurboLimits, WithoutProgrammableTdpTheLimitsAreDisabledAndNotStored)
{
    open("i7-975", msr::platform_info::ProgrammableTdpLimit.mask());
    for (int id : {IdTdp, IdTdc, IdTdpSpin, IdTdcSpin})
        EXPECT_FALSE(window->isEnabled(id)) << id;
    EXPECT_TRUE(window->isEnabled(IdRatioSpin1));
    LimitsRig::spin(*window, IdRatioSpin1, +1);
    LimitsRig::click(*window, dialog::IDOK);

    EXPECT_TRUE(rig->written(msr::MSR_TURBO_POWER_CURRENT_LIMIT).empty());
    const platform::IniFile ini(rig->iniPath);
    EXPECT_EQ(ini.readString("Pavolt", "TDPTDC", "absent"), "absent");
    EXPECT_EQ(ini.readString("Pavolt", "OneADEAX", ""), "0x1A1A1A1A");
}

TEST_F(TurboLimits, WithoutProgrammableRatiosEverySpinIsDisabled)
{
    open("i7-920"); // ratio limits fixed, TDP/TDC programmable
    for (int n = 0; n < TurboRatioCount; ++n)
        EXPECT_FALSE(window->isEnabled(IdRatioSpin1 + n)) << n + 1 << " cores";
    EXPECT_EQ(text(IdRatio1), QStringLiteral("22"));
    EXPECT_TRUE(window->isEnabled(IdTdp));
    LimitsRig::click(*window, dialog::IDOK);
    EXPECT_TRUE(rig->written(msr::MSR_TURBO_RATIO_LIMIT).empty());
    EXPECT_EQ(platform::IniFile(rig->iniPath).readString("Pavolt", "OneADEAX", "absent"), "absent");
}

} // namespace
