#pragma once
// Turning a digital thermal sensor reading into a temperature.
// Temperatures are whole numbers in the display unit.

#include <cstdint>
#include <string>

namespace monitor {

// The idle calibration formula: the current one scales the correction with
// the whole readout, the older one only with the part above 30.
enum class IdleFormula { Current, Old };

// The fields of IA32_THERM_STATUS the monitor uses.
struct ThermalReading {
    int readout = 0;            // degrees below TjMax, 0..127
    bool thermalStatus = false; // at or above TjMax now
    bool thermalLog = false;    // has been at TjMax since the flag was cleared
};

ThermalReading decodeThermalStatus(uint64_t thermStatus);

// Idle correction in whole °C for a calibration value in tenths of a degree.
int idleCorrection(int idleTenths, const ThermalReading& reading, IdleFormula formula);

// Core temperature in °C: TjMax plus the idle correction minus the readout; a
// readout above 77 with the thermal status set counts as above TjMax.
int coreCelsius(int tjMax, const ThermalReading& reading, int idleTenths, IdleFormula formula);

// °C to °F, rounded to the nearest degree away from zero before the offset.
int celsiusToFahrenheit(int celsius);

// "OK", "LOG", "HOT", or "---" ("--" in core slot 3) for status without log.
std::string thermalStatusText(const ThermalReading& reading, int slot);

} // namespace monitor
