#include "monitor/controls/PowerLimitValues.h"

#include "registers/MsrIndex.h"

namespace monitor {

using namespace msr::pkg_power_limit;

int powerUnitOf(uint64_t raplPowerUnit)
{
    return 1 << msr::rapl_power_unit::PowerUnits.get(raplPowerUnit);
}

int limitMaxOf(int powerUnit)
{
    return int(PowerLimit1.mask() >> PowerLimit1.low) / powerUnit;
}

PowerLimitValues decodePowerLimits(uint64_t packagePowerLimit, uint64_t currentConfig, int powerUnit)
{
    PowerLimitValues values;
    values.limit1Watts = int(PowerLimit1.get(packagePowerLimit)) / powerUnit;
    values.limit2Watts = int(PowerLimit2.get(packagePowerLimit)) / powerUnit;
    values.enable1 = EnableLimit1.test(packagePowerLimit);
    values.enable2 = EnableLimit2.test(packagePowerLimit);
    values.clamp1 = ClampLimit1.test(packagePowerLimit);
    values.clamp2 = ClampLimit2.test(packagePowerLimit);
    values.powerLocked = Lock.test(packagePowerLimit);
    values.currentAmps = int(msr::pp0_current_config::WindowCurrentLimit.get(currentConfig)) / powerUnit;
    values.currentLocked = msr::pp0_current_config::Lock.test(currentConfig);
    return values;
}

namespace {

// A limit field in whole units: rewritten only when the whole value differs
// from what the register holds, so that a fraction the window cannot show
// (the power-on 118.75 W of a limit) survives an Apply that left it alone.
uint64_t setWholeUnits(msr::Field field, uint64_t value, int units, int powerUnit)
{
    if (int(field.get(value)) / powerUnit == units)
        return value;
    return field.set(value, uint64_t(units) * uint64_t(powerUnit));
}

} // namespace

uint64_t encodePackagePowerLimit(const PowerLimitValues& values, uint64_t old, int powerUnit)
{
    uint64_t value = old;
    value = setWholeUnits(PowerLimit1, value, values.limit1Watts, powerUnit);
    value = EnableLimit1.set(value, values.enable1);
    value = ClampLimit1.set(value, values.clamp1);
    value = setWholeUnits(PowerLimit2, value, values.limit2Watts, powerUnit);
    value = EnableLimit2.set(value, values.enable2);
    value = ClampLimit2.set(value, values.clamp2);
    return Lock.set(value, values.powerLocked);
}

uint64_t encodeCurrentConfig(const PowerLimitValues& values, uint64_t old, int powerUnit)
{
    namespace current = msr::pp0_current_config;
    const uint64_t value = setWholeUnits(current::WindowCurrentLimit, old, values.currentAmps, powerUnit);
    return current::Lock.set(value, values.currentLocked);
}

} // namespace monitor
