#pragma once
// Model-specific registers used by the suite, by their Intel names, each
// followed by its named fields. A field is declared once here and decoded
// with field.get(value) / field.set(value, x); nothing else in the code base
// shifts or masks register values by hand.
//
// Fields are positions in the full 64-bit register value. Callers that hold
// the two 32-bit halves join them with msr::join().

#include <cstdint>

namespace msr {

struct Field {
    unsigned low;   // lowest bit
    unsigned width; // number of bits

    constexpr uint64_t mask() const { return (width >= 64 ? ~0ull : ((1ull << width) - 1)) << low; }
    constexpr uint64_t get(uint64_t value) const { return (value & mask()) >> low; }
    constexpr uint64_t set(uint64_t value, uint64_t field) const
    {
        return (value & ~mask()) | ((field << low) & mask());
    }
    constexpr bool test(uint64_t value) const { return get(value) != 0; }
};

constexpr Field bit(unsigned n) { return {n, 1}; }
constexpr Field bits(unsigned high, unsigned low) { return {low, high - low + 1}; }

constexpr uint64_t join(uint32_t low, uint32_t high) { return (uint64_t(high) << 32) | low; }
constexpr uint32_t lowHalf(uint64_t value) { return static_cast<uint32_t>(value); }
constexpr uint32_t highHalf(uint64_t value) { return static_cast<uint32_t>(value >> 32); }

// ---------------------------------------------------------------------------
constexpr uint32_t IA32_TIME_STAMP_COUNTER = 0x10;

constexpr uint32_t IA32_PLATFORM_ID = 0x17;
namespace platform_id {
constexpr Field MaxQualifiedRatio = bits(12, 8);   // Core 2: highest qualified bus ratio
constexpr Field MaxQualifiedHalfRatio = bit(14);   // Core 2: + 0.5
constexpr Field PlatformId = bits(52, 50);
} // namespace platform_id

constexpr uint32_t MSR_EBL_CR_POWERON = 0x2A;
namespace ebl_cr_poweron {
constexpr Field HalfRatio = bit(18);               // clock frequency ratio + 0.5
constexpr Field PowerOnRatio = bits(26, 22);       // clock frequency ratio at power-on
} // namespace ebl_cr_poweron

constexpr uint32_t IA32_PMC0 = 0xC1;
constexpr uint32_t IA32_PMC1 = 0xC2;
constexpr uint32_t IA32_PMC2 = 0xC3;
constexpr uint32_t IA32_PMC3 = 0xC4;
constexpr uint32_t IA32_MPERF = 0xE7;
constexpr uint32_t IA32_APERF = 0xE8;

constexpr uint32_t MSR_PLATFORM_INFO = 0xCE;
namespace platform_info {
constexpr Field MaxNonTurboRatio = bits(15, 8);    // Nehalem and later: base ratio
constexpr Field ProgrammableRatioLimit = bit(28);  // MSR_TURBO_RATIO_LIMIT is writable
constexpr Field ProgrammableTdpLimit = bit(29);    // MSR_TURBO_POWER_CURRENT_LIMIT is writable
constexpr Field MaxEfficiencyRatio = bits(47, 40); // Nehalem and later: lowest ratio
// Core 2: bits 44:40 and 46 hold the highest (turbo / dynamic acceleration) ratio.
constexpr Field Core2MaxRatio = bits(44, 40);
constexpr Field Core2MaxHalfRatio = bit(46);
} // namespace platform_info

constexpr uint32_t IA32_PERFEVTSEL0 = 0x186;
constexpr uint32_t IA32_PERFEVTSEL1 = 0x187;
constexpr uint32_t IA32_PERFEVTSEL2 = 0x188;
constexpr uint32_t IA32_PERFEVTSEL3 = 0x189;
namespace perfevtsel {
constexpr Field EventSelect = bits(7, 0);
constexpr Field UnitMask = bits(15, 8);
constexpr Field User = bit(16);
constexpr Field Os = bit(17);
constexpr Field Enable = bit(22);
// Event 0x3C, unit mask 0: unhalted core cycles; unit mask 1: unhalted reference cycles.
constexpr uint32_t UnhaltedCoreCycles = 0x43003C;
constexpr uint32_t UnhaltedReferenceCycles = 0x43013C;
constexpr Field EdgeDetect = bit(18);
constexpr Field PinControl = bit(19);
constexpr Field Interrupt = bit(20);
constexpr Field AnyThread = bit(21);
constexpr Field Invert = bit(23);
constexpr Field CounterMask = bits(31, 24);
constexpr uint32_t EventUnhaltedCycles = 0x3C;     // unit mask 0 core, 1 reference
constexpr uint32_t EventInstructionsRetired = 0xC0;
} // namespace perfevtsel

constexpr uint32_t MSR_FLEX_RATIO = 0x194;

constexpr uint32_t IA32_PERF_STATUS = 0x198;
namespace perf_status {
constexpr Field CurrentVid = bits(5, 0);           // Core 2 / Nehalem: voltage identifier
constexpr Field CurrentRatio = bits(12, 8);        // Core 2: current bus ratio
constexpr Field CurrentHalfRatio = bit(14);        // Core 2: + 0.5
constexpr Field NonIntegerBusRatio = bit(15);      // Core 2: bus clock halved (SLFM)
constexpr Field MaxRatio = bits(44, 40);           // Core 2: maximum bus ratio
constexpr Field MaxHalfRatio = bit(46);            // Core 2: + 0.5
constexpr Field SandyBridgeVoltage = bits(47, 32); // Sandy Bridge: core voltage in 1/8192 V
constexpr Field OperatingRatio = bits(15, 8);      // Nehalem and later: current ratio
} // namespace perf_status

constexpr uint32_t IA32_PERF_CTL = 0x199;
namespace perf_ctl {
constexpr Field TargetRatio = bits(15, 8);
constexpr Field TargetVid = bits(7, 0);
constexpr Field TurboDisengage = bit(32);          // IDA disengage (Core 2 / Nehalem)
constexpr Field Core2TargetRatio = bits(12, 8);    // Core 2: requested bus ratio
constexpr Field Core2TargetHalfRatio = bit(14);    // Core 2: + 0.5
} // namespace perf_ctl

constexpr uint32_t IA32_CLOCK_MODULATION = 0x19A;
namespace clock_modulation {
constexpr Field DutyCycle = bits(3, 1);            // duty in eighths (1..7)
constexpr Field Enable = bit(4);                   // on-demand clock modulation enable
constexpr Field DutyAndEnable = bits(4, 0);        // the value written as a whole
constexpr Field ExtendedDutyCycle = bits(3, 0);    // duty in sixteenths where CPUID 6 EAX bit 5
constexpr Field ExtendedDutyBit = bit(0);
} // namespace clock_modulation

constexpr uint32_t IA32_THERM_STATUS = 0x19C;
namespace therm_status {
constexpr Field ThermalStatus = bit(0);            // at or above TjMax now
constexpr Field ThermalStatusLog = bit(1);         // sticky: has been at TjMax
constexpr Field ProchotStatus = bit(2);
constexpr Field ProchotLog = bit(3);
constexpr Field CriticalStatus = bit(4);
constexpr Field CriticalStatusLog = bit(5);
constexpr Field PowerLimitStatus = bit(10);        // running below the requested clock for a power limit
constexpr Field PowerLimitLog = bit(11);           // sticky: has been power limited
constexpr Field DigitalReadout = bits(22, 16);     // degrees below TjMax
constexpr Field ResolutionInDegrees = bits(30, 27);
constexpr Field ReadingValid = bit(31);
} // namespace therm_status

constexpr uint32_t IA32_PACKAGE_THERM_STATUS = 0x1B1;

constexpr uint32_t IA32_MISC_ENABLE = 0x1A0;
namespace misc_enable {
constexpr Field FastStrings = bit(0);
constexpr Field AutomaticThermalControl = bit(3);
constexpr Field PerformanceMonitoring = bit(7);
constexpr Field EnhancedSpeedStep = bit(16);       // EIST enable
constexpr Field SpeedStepLock = bit(20);           // EIST select lock
constexpr Field EnhancedHalt = bit(25);            // C1E enable, processors before Nehalem
constexpr Field LimitCpuidMaxValue = bit(22);      // CPUID reports leaf 2 at most
constexpr Field TurboDisengage = bit(38);          // turbo mode disable / IDA disengage
// Core 2: the four bits that the C-state switch sets and clears together
// (enhanced C-state promotion and the deeper-sleep controls).
constexpr Field Core2CStateBit25 = bit(25);
constexpr Field Core2CStateBit26 = bit(26);
constexpr Field Core2CStateBit31 = bit(31);
constexpr Field Core2CStateBit32 = bit(32);
constexpr Field BtsUnavailable = bit(11);
constexpr Field PebsUnavailable = bit(12);
} // namespace misc_enable

constexpr uint32_t MSR_TEMPERATURE_TARGET = 0x1A2;
namespace temperature_target {
constexpr Field TjMax = bits(22, 16);
} // namespace temperature_target

constexpr uint32_t MSR_TURBO_POWER_CURRENT_LIMIT = 0x1AC;
namespace turbo_power_current_limit {
constexpr Field TdpLimit = bits(14, 0);            // in 1/8 W
constexpr Field TdpLimitOverride = bit(15);
constexpr Field TdcLimit = bits(30, 16);           // in 1/8 A
constexpr Field TdcLimitOverride = bit(31);
constexpr uint32_t OverrideBoth = 0x80008000;
// The limits in whole units, as the Turbo Boost Limits window shows and
// writes them: the 1/8 fields without their fraction bits.
constexpr Field TdpWatts = bits(13, 3);
constexpr Field TdcAmps = bits(30, 19);
} // namespace turbo_power_current_limit

constexpr uint32_t MSR_TURBO_RATIO_LIMIT = 0x1AD;
namespace turbo_ratio_limit {
// Byte n holds the highest ratio with n + 1 cores active (1C..8C).
constexpr Field ratioForActiveCores(unsigned cores) { return {(cores - 1) * 8, 8}; }
constexpr uint64_t HighestRatio = 255;
} // namespace turbo_ratio_limit

// Later processors: byte n is the largest active-core count byte n of
// MSR_TURBO_RATIO_LIMIT applies to (core-count groups on the Xeons).
constexpr uint32_t MSR_TURBO_RATIO_LIMIT1 = 0x1AE;
namespace turbo_ratio_limit1 {
constexpr Field groupCores(unsigned group) { return {group * 8, 8}; }
} // namespace turbo_ratio_limit1

constexpr uint32_t MSR_POWER_CTL = 0x1FC;
namespace power_ctl {
constexpr Field C1eEnable = bit(1);
} // namespace power_ctl

constexpr uint32_t IA32_FIXED_CTR0 = 0x309;
constexpr uint32_t IA32_FIXED_CTR1 = 0x30A;        // unhalted core cycles
constexpr uint32_t IA32_FIXED_CTR2 = 0x30B;        // unhalted reference cycles (TSC rate)

constexpr uint32_t IA32_FIXED_CTR_CTRL = 0x38D;
namespace fixed_ctr_ctrl {
constexpr Field Ctr0Enable = bits(1, 0);           // 1 = OS, 2 = user, 3 = both
constexpr Field Ctr1Enable = bits(5, 4);
constexpr Field Ctr2Enable = bits(9, 8);
constexpr uint32_t Ctr1Ctr2AllRings = 0x330;
constexpr Field ctrEnable(unsigned n) { return bits(4 * n + 1, 4 * n); }
constexpr Field ctrAnyThread(unsigned n) { return bit(4 * n + 2); }
constexpr Field ctrInterrupt(unsigned n) { return bit(4 * n + 3); }
} // namespace fixed_ctr_ctrl

constexpr uint32_t IA32_PERF_GLOBAL_STATUS = 0x38E;
constexpr uint32_t IA32_PERF_GLOBAL_CTRL = 0x38F;
namespace perf_global_ctrl {
constexpr Field Pmc0Enable = bit(0);
constexpr Field Pmc1Enable = bit(1);
constexpr Field FixedCtr0Enable = bit(32);
constexpr Field FixedCtr1Enable = bit(33);
constexpr Field FixedCtr2Enable = bit(34);
constexpr Field pmcEnable(unsigned n) { return bit(n); }
constexpr Field fixedEnable(unsigned n) { return bit(32 + n); }
} // namespace perf_global_ctrl

constexpr uint32_t IA32_PERF_GLOBAL_OVF_CTRL = 0x390;
namespace perf_global_status {                     // also the bits of IA32_PERF_GLOBAL_OVF_CTRL
constexpr Field pmcOverflow(unsigned n) { return bit(n); }
constexpr Field fixedOverflow(unsigned n) { return bit(32 + n); }
} // namespace perf_global_status

constexpr uint32_t MSR_PP0_CURRENT_CONFIG = 0x601;
namespace pp0_current_config {
constexpr Field CurrentLimit = bits(12, 0);        // in 1/8 A
// The limit as the Power Limits window reads and writes it: 15 bits in the
// RAPL power unit of MSR_RAPL_POWER_UNIT.
constexpr Field WindowCurrentLimit = bits(14, 0);
constexpr Field Lock = bit(31);
} // namespace pp0_current_config

constexpr uint32_t MSR_RAPL_POWER_UNIT = 0x606;
namespace rapl_power_unit {
constexpr Field PowerUnits = bits(3, 0);           // 1 / 2^n W
constexpr Field EnergyStatusUnits = bits(12, 8);   // 1 / 2^n J
constexpr Field TimeUnits = bits(19, 16);          // 1 / 2^n s
} // namespace rapl_power_unit

constexpr uint32_t MSR_PKG_POWER_LIMIT = 0x610;
namespace pkg_power_limit {
constexpr Field PowerLimit1 = bits(14, 0);
constexpr Field EnableLimit1 = bit(15);
constexpr Field ClampLimit1 = bit(16);
constexpr Field TimeWindow1 = bits(23, 17);
constexpr Field PowerLimit2 = bits(46, 32);
constexpr Field EnableLimit2 = bit(47);
constexpr Field ClampLimit2 = bit(48);
constexpr Field TimeWindow2 = bits(55, 49);
constexpr Field Lock = bit(63);
} // namespace pkg_power_limit

constexpr uint32_t MSR_PKG_ENERGY_STATUS = 0x611;
namespace pkg_energy_status {
constexpr Field TotalEnergyConsumed = bits(31, 0);
} // namespace pkg_energy_status

// Hardware P-states: once bit 0 is set (only a reset clears it) the processor
// picks its own ratios and ignores IA32_PERF_CTL.
constexpr uint32_t IA32_PM_ENABLE = 0x770;
namespace pm_enable {
constexpr Field HwpEnable = bit(0);
} // namespace pm_enable

// ---------------------------------------------------------------------------
// CPUID leaves and fields, decoded with the same Field type (positions within
// one 32-bit register of a leaf).
namespace cpuid {
constexpr uint32_t LeafVendor = 0x0;               // EAX: highest basic leaf
constexpr uint32_t LeafFeatures = 0x1;
constexpr uint32_t LeafCacheParameters = 0x4;
constexpr uint32_t LeafThermalPower = 0x6;
constexpr uint32_t LeafPerformanceMonitoring = 0xA;
constexpr uint32_t LeafTopology = 0xB;             // extended topology, one sub-leaf per level
constexpr uint32_t LeafHybridInformation = 0x1A;   // the core type of the CPU asked
constexpr uint32_t LeafTopologyV2 = 0x1F;          // leaf 0xB with the module, tile and die levels
constexpr uint32_t LeafExtendedMax = 0x80000000;   // EAX: highest extended leaf
constexpr uint32_t LeafBrandFirst = 0x80000002;    // 0x80000002..4: brand string
constexpr uint32_t LeafBrandLast = 0x80000004;

// Leaf 1 EAX: stepping, model, family and extended model; extended family and
// processor type removed.
constexpr uint32_t signature(uint32_t eax) { return eax & 0xF0FFFu; }
namespace features_ebx {
constexpr Field LogicalProcessorCount = bits(23, 16); // addressable IDs per package
constexpr Field InitialApicId = bits(31, 24);
} // namespace features_ebx
namespace cache_parameters_eax {
constexpr Field CoresPerPackageLessOne = bits(31, 26);
} // namespace cache_parameters_eax
namespace performance_monitoring_eax {
constexpr Field Version = bits(7, 0);
constexpr Field GpCounterCount = bits(15, 8);
constexpr Field GpCounterWidth = bits(23, 16);
} // namespace performance_monitoring_eax
namespace thermal_power_eax {
constexpr Field DigitalThermalSensor = bit(0);
constexpr Field TurboBoost = bit(1);               // clear while IA32_MISC_ENABLE bit 38 is set
constexpr Field ExtendedClockModulation = bit(5);
constexpr Field Hwp = bit(7);                      // IA32_PM_ENABLE and the HWP registers exist
} // namespace thermal_power_eax
namespace performance_monitoring_edx {
constexpr Field FixedCounterCount = bits(4, 0);
constexpr Field FixedCounterWidth = bits(12, 5);
} // namespace performance_monitoring_edx
namespace topology_eax {
constexpr Field ShiftToNextLevel = bits(4, 0);
} // namespace topology_eax
namespace topology_ebx {
constexpr Field LogicalProcessorsAtLevel = bits(15, 0);
} // namespace topology_ebx
namespace topology_ecx {
constexpr Field LevelNumber = bits(7, 0);
constexpr Field LevelType = bits(15, 8);           // 0: no such level (the list ends)
constexpr uint64_t LevelTypeSmt = 1;
constexpr uint64_t LevelTypeCore = 2;
} // namespace topology_ecx
// Leaf 0xB / 0x1F EDX is the whole x2APIC id of the CPU asked.
namespace hybrid_information_eax {
constexpr Field CoreType = bits(31, 24);
constexpr uint64_t CoreTypeAtom = 0x20;            // efficient core
constexpr uint64_t CoreTypeCore = 0x40;            // performance core
} // namespace hybrid_information_eax
namespace features_ecx {
constexpr Field Sse3 = bit(0);
} // namespace features_ecx
namespace features_edx {
constexpr Field Msr = bit(5);                      // RDMSR / WRMSR
} // namespace features_edx
// The initial APIC identifier as the core map reads it: core and thread bits
// of the first package, and the bit that marks the second package.
namespace apic_id {
constexpr Field CoreAndThread = bits(2, 0);
constexpr Field SecondPackage = bit(4);
} // namespace apic_id
} // namespace cpuid

} // namespace msr
