#pragma once
// The facts of one modelled processor: what CPUID reports (from the dump of a
// real part), how its logical CPUs are laid out, its clocks and ratios, its
// thermal and power figures and the power-on images of its registers.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Which register set and which behaviour of the ratio, counter and voltage
// registers the model follows.
enum class Family {
    Core2,       // Core 2 Duo / Quad, ratios in IA32_PERF_STATUS, no TjMax register
    Atom,        // Diamondville: behaves as Core 2 for every register the suite reads
    Nehalem,     // Bloomfield, Lynnfield, Gulftown, Gainestown
    SandyBridge, // adds the package energy and power limit registers; every later
                 // processor modelled keeps that register set
};

// CPUs that answer CPUID from a dump of their own: the efficient cores of a
// hybrid processor, whose cache, counter and core-type leaves differ.
struct CoreDump {
    std::string_view dumpName;
    std::vector<uint32_t> apicIds;
    // The highest ratio these cores reach, in tenths; they scale between the
    // lowest ratio and this as the performance cores do up to theirs.
    int topRatioTenths;
};

enum class CpuidRegister { Eax, Ebx, Ecx, Edx };

// One register of one leaf replaced where the dump is of a sibling part.
struct CpuidPatch {
    uint32_t leaf;
    uint32_t subleaf;
    CpuidRegister reg;
    uint32_t value;
};

struct Profile {
    std::string_view name;       // matched without regard to case
    std::string_view dumpName;   // the CPUID dump it answers from
    std::string_view brand;      // brand string as CPUID returns it (blanks kept)
    Family family;
    std::vector<CpuidPatch> patches;

    // Topology. Logical CPUs are numbered in ascending APIC id order, so the
    // threads of one core are neighbours and package 0 comes first.
    int packages;
    int coresPerPackage;
    int threadsPerCore;
    std::vector<int> coreIds;    // the core field of the APIC id of each core of a package
    int threadShift;             // APIC id bits below the core field
    int packageShift;            // APIC id bits below the package field
    // Processors whose cores differ list the APIC id of every logical CPU
    // instead, in the order the kernel numbers them (performance-core
    // threads first, one package after the other); the threads of a core
    // share the APIC id bits above threadShift. coresPerPackage is then the
    // largest count of cores in a package, and coreIds is unused.
    std::vector<uint32_t> apicIds = {};
    std::vector<CoreDump> coreDumps = {};
    // MSR_TURBO_RATIO_LIMIT1 where the processor has it: byte n is the
    // largest active-core count for which byte n of MSR_TURBO_RATIO_LIMIT
    // holds (groups on the Xeons, 1 to 8 elsewhere); 0 when it faults.
    uint64_t turboGroupCores = 0;

    // Clocks: the bus (reference) clock as a fraction of Hz, ratios in tenths.
    uint64_t busHzNumerator;
    uint64_t busHzDenominator;
    int baseRatioTenths;         // highest non-turbo ratio; the TSC runs at bus x base
    int minRatioTenths;          // lowest SpeedStep ratio
    // Highest ratio with n + 1 cores of a package active; empty without turbo.
    std::vector<int> turboRatioTenths;

    // Thermal figures.
    int tjMax;
    double idleCelsius;          // steady state with every core halted
    double fullLoadCelsius;      // steady state of a core busy at the base ratio
    double thermalTimeConstantSeconds; // the die's quick response to its power
    double heatsinkTimeConstantSeconds; // the slower warming of the heat spreader and cooler
    // How far each core of a package runs from the profile's figures (its
    // position on the die and its own leakage), added in full under load
    // and in half at idle; one entry per core of a package.
    std::vector<double> coreOffsetCelsius;

    // Power figures per package.
    double tdpWatts;
    double idleWatts;
    double fullLoadWatts;        // every core busy at the base ratio
    int tdcAmps;                 // Nehalem turbo current limit

    // Voltage at the lowest and at the highest ratio, linear between them.
    double minVolts;
    double maxVolts;
    bool mobileVid;              // Core 2 VID codes count from 0.7125 V, else 0.825 V
    // The VID range the maker publishes for the part; the operating voltages lie inside it.
    double vidRangeLowVolts;
    double vidRangeHighVolts;

    // Power-on register images.
    int platformId;              // IA32_PLATFORM_ID bits 52:50
    uint64_t miscEnable;
    bool ratioLimitProgrammable; // MSR_PLATFORM_INFO bit 28
    bool tdpLimitProgrammable;   // MSR_PLATFORM_INFO bit 29
    uint64_t pkgPowerLimit;      // Sandy Bridge MSR_PKG_POWER_LIMIT
    uint32_t pp0CurrentConfig;   // Sandy Bridge MSR_PP0_CURRENT_CONFIG
    uint32_t raplPowerUnit;      // Sandy Bridge MSR_RAPL_POWER_UNIT
    // IA32_PM_ENABLE at power-on where CPUID leaf 6 reports hardware
    // P-states: bit 0 set, the processor picks its ratios itself.
    uint64_t pmEnable = 0;

    int totalCores() const;
    bool hasTurbo() const { return !turboRatioTenths.empty() && turboRatioTenths.front() > baseRatioTenths; }
    int topRatioTenths() const { return hasTurbo() ? turboRatioTenths.front() : baseRatioTenths; }
    bool nehalemOrLater() const { return family == Family::Nehalem || family == Family::SandyBridge; }
    double busHz() const { return double(busHzNumerator) / double(busHzDenominator); }
    // The ratio the operating system asks for to let turbo engage: one above
    // the base ratio where turbo exists, else the base ratio.
    int turboRequestTenths() const { return hasTurbo() ? baseRatioTenths + 10 : baseRatioTenths; }
    // The fixed offset of core `coreInPackage` from the profile's temperatures.
    double coreOffset(int coreInPackage) const;
    // Core voltage at a ratio: linear from the lowest to the highest ratio.
    double voltsAt(int ratioTenths) const;
    // Core 2 and Atom voltage identifier: 12.5 mV steps above 0.7125 V (mobile) or 0.825 V.
    int vidCodeAt(int ratioTenths) const;
};

// Every profile, in the order they are listed to the user.
const std::vector<Profile>& profiles();

// The profile of that name, compared without regard to case.
const Profile* findProfile(std::string_view name);

// "e8400, q6600, ..." for messages.
std::string profileNames();

} // namespace sim
