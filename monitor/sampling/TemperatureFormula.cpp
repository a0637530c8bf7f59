#include "monitor/sampling/TemperatureFormula.h"

#include "registers/MsrIndex.h"

namespace monitor {

ThermalReading decodeThermalStatus(uint64_t thermStatus)
{
    namespace therm = msr::therm_status;
    ThermalReading reading;
    reading.readout = static_cast<int>(therm::DigitalReadout.get(thermStatus));
    reading.thermalStatus = therm::ThermalStatus.test(thermStatus);
    reading.thermalLog = therm::ThermalStatusLog.test(thermStatus);
    return reading;
}

int idleCorrection(int idleTenths, const ThermalReading& reading, IdleFormula formula)
{
    if (idleTenths == 0 || reading.thermalStatus)
        return 0;
    if (formula == IdleFormula::Current)
        return idleTenths * reading.readout / 400;
    if (reading.readout > 30)
        return idleTenths * (reading.readout - 30) / 400;
    return 0;
}

int coreCelsius(int tjMax, const ThermalReading& reading, int idleTenths, IdleFormula formula)
{
    int t = tjMax + idleCorrection(idleTenths, reading, formula) - reading.readout;
    // The 7-bit readout has wrapped: the core is above TjMax by 128 - readout.
    if (reading.readout > 77 && reading.thermalStatus)
        t += 128;
    return t;
}

int celsiusToFahrenheit(int celsius)
{
    if (celsius >= 0)
        return (18 * celsius + 5) / 10 + 32;
    return (18 * celsius - 5) / 10 + 32;
}

std::string thermalStatusText(const ThermalReading& reading, int slot)
{
    if (!reading.thermalStatus)
        return reading.thermalLog ? "LOG" : "OK";
    if (reading.thermalLog)
        return "HOT";
    return slot == 3 ? "--" : "---";
}

} // namespace monitor
