// The temperature formula: readout, wrap above TjMax, idle calibration, °F.
#include "registers/MsrIndex.h"
#include "monitor/sampling/TemperatureFormula.h"

#include <gtest/gtest.h>

namespace {

using monitor::IdleFormula;
using monitor::ThermalReading;

struct FormulaCase {
    const char* name;
    int tjMax;
    int readout;
    bool status;
    int idleTenths;
    IdleFormula formula;
    int celsius;
};

class CoreCelsiusTest : public testing::TestWithParam<FormulaCase> {};

TEST_P(CoreCelsiusTest, Celsius)
{
    const FormulaCase& c = GetParam();
    const ThermalReading reading{c.readout, c.status, c.status};
    EXPECT_EQ(monitor::coreCelsius(c.tjMax, reading, c.idleTenths, c.formula), c.celsius) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CoreCelsiusTest,
    testing::Values(
        FormulaCase{"plain", 100, 45, false, 0, IdleFormula::Current, 55},
        FormulaCase{"77 with status stays below", 100, 77, true, 0, IdleFormula::Current, 23},
        FormulaCase{"78 with status wraps", 100, 78, true, 0, IdleFormula::Current, 150},
        FormulaCase{"127 with status wraps", 100, 127, true, 0, IdleFormula::Current, 101},
        FormulaCase{"78 without status", 100, 78, false, 0, IdleFormula::Current, 22},
        FormulaCase{"other TjMax", 85, 40, false, 0, IdleFormula::Current, 45},
        FormulaCase{"idle 2.0", 100, 40, false, 20, IdleFormula::Current, 62},
        FormulaCase{"idle 2.0, old formula", 100, 40, false, 20, IdleFormula::Old, 60},
        FormulaCase{"idle 2.0, old formula, far", 100, 70, false, 20, IdleFormula::Old, 32},
        FormulaCase{"idle 2.0, old formula, at 30", 100, 30, false, 20, IdleFormula::Old, 70},
        FormulaCase{"negative idle truncates toward zero", 100, 40, false, -15, IdleFormula::Current, 59},
        FormulaCase{"negative idle, old formula", 100, 70, false, -15, IdleFormula::Old, 29},
        FormulaCase{"no idle correction at TjMax", 100, 0, true, 99, IdleFormula::Current, 100},
        FormulaCase{"no idle correction with status", 100, 20, true, 99, IdleFormula::Current, 80}));

TEST(FahrenheitTest, RoundsAwayFromZeroBeforeOffset)
{
    const struct {
        int celsius;
        int fahrenheit;
    } cases[] = {{-1, 30}, {37, 99}, {0, 32}, {100, 212}, {-40, -40}, {-18, 0}, {-17, 1}, {150, 302}, {1, 34}};
    for (const auto& c : cases)
        EXPECT_EQ(monitor::celsiusToFahrenheit(c.celsius), c.fahrenheit) << c.celsius;
}

TEST(ThermalStatusTest, TextsAndDecoding)
{
    const struct {
        bool status;
        bool log;
        int slot;
        const char* text;
    } cases[] = {{false, false, 0, "OK"}, {false, true, 1, "LOG"}, {true, true, 2, "HOT"},
                 {true, false, 2, "---"}, {true, false, 3, "--"},  {true, false, 5, "---"}};
    for (const auto& c : cases)
        EXPECT_EQ(monitor::thermalStatusText(ThermalReading{0, c.status, c.log}, c.slot), c.text);

    namespace therm = msr::therm_status;
    const uint64_t value = therm::ReadingValid.set(therm::DigitalReadout.set(therm::ThermalStatusLog.set(0, 1), 93), 1);
    const ThermalReading reading = monitor::decodeThermalStatus(value);
    EXPECT_EQ(reading.readout, 93);
    EXPECT_FALSE(reading.thermalStatus);
    EXPECT_TRUE(reading.thermalLog);
}

} // namespace
