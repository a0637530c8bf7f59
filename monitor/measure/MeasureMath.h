#pragma once
// The arithmetic of the clock and load measurement, free of any register
// access, so that each rule can be exercised with chosen numbers.

#include <cstdint>
#include <optional>
#include <string>

namespace monitor {

// The shown multiplier for h = nominalRatio x factor: tenths when the
// processor runs above its nominal ratio (factor > 1.0), half steps otherwise.
// Rounding is x + 0.5 truncated.
double RoundMultiplier(double h, double factor);

// Half steps, for the multiplier read from the ratio registers.
double RoundToHalf(double x);

// A ratio held in a 5-bit field plus a half-ratio bit, in tenths.
int RatioTenths(uint64_t ratio, bool half);

// Package power from two readings of the 32-bit energy counter and the tick
// count; nothing when either went backwards (a wrap) or no time passed.
std::optional<double> PackagePower(uint32_t energy, uint32_t tick, uint32_t energyLast, uint32_t tickLast,
                                   double jouleUnit);

// Voltage identifier in volts.
enum class VidFormula { Desktop, Mobile, SandyBridge };
double VidVolts(VidFormula formula, uint64_t perfStatus);

// The six-core build's choice between the mobile and the desktop VID steps:
// mobile for the 45 nm Core 2 family (signatures 0x10670 .. 0x1067F) when the
// model name is "T8100" or above among the "T" names, or any "P" name.
VidFormula SixCoreVidFormula(const std::string& modelName, uint32_t signature);

// A fixed amount of integer division work with no memory traffic, used to
// space two clock readings apart.
uint64_t BusyDivisions(uint32_t count);


} // namespace monitor
