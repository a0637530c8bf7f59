#include "sim/Profile.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace sim {

namespace {

// Bus clocks: the quad-pumped front-side buses of Core 2 and Atom, the
// 133 MHz base clock of Nehalem and the 100 MHz of Sandy Bridge.
constexpr uint64_t Bus333 = 1000000000; // / 3
constexpr uint64_t Bus266 = 800000000;  // / 3
constexpr uint64_t Bus133 = 400000000;  // / 3
constexpr uint64_t Bus200 = 200000000;
constexpr uint64_t Bus100 = 100000000;

// IA32_MISC_ENABLE at power-on: fast strings, automatic thermal control,
// performance monitoring, TM2, SpeedStep, MONITOR/MWAIT, and C1E on Core 2.
constexpr uint64_t MiscCore2Desktop = 0x02052089;
constexpr uint64_t MiscCore2Mobile = 0x186052089;   // deeper C-states enabled as well
constexpr uint64_t MiscAtom = 0x02152089;           // SpeedStep select locked by the firmware
constexpr uint64_t MiscNehalem = 0x00850089;

// One table per processor. Clocks, ratios, turbo bins, TDP, VID range and
// thermal limit are the figures Intel publishes for the part (its product
// data sheet on ark.intel.com and the processor datasheet); where Intel gives
// only a case temperature for a Core 2, TjMax is the value the part's
// digital sensor counts down from. Temperatures at idle and load, power
// draw and the voltage the part settles at are typical of the part in a
// desktop or notebook of its time.
std::vector<Profile> buildProfiles()
{
    std::vector<Profile> list;

    // Core 2 Duo E8400 (Wolfdale, E0): 3.00 GHz = 9 x 333 MHz (FSB 1333),
    // SpeedStep down to 6 x, 65 W, VID 0.85-1.3625 V.
    list.push_back({.name = "e8400", .dumpName = "e8400",
                    .brand = "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", .family = Family::Core2,
                    .patches = {},
                    .packages = 1, .coresPerPackage = 2, .threadsPerCore = 1, .coreIds = {0, 1},
                    .threadShift = 0, .packageShift = 1,
                    .busHzNumerator = Bus333, .busHzDenominator = 3, .baseRatioTenths = 90, .minRatioTenths = 60,
                    .turboRatioTenths = {},
                    .tjMax = 100, .idleCelsius = 36.0, .fullLoadCelsius = 58.0,
                    .thermalTimeConstantSeconds = 4.0, .heatsinkTimeConstantSeconds = 15.0,
                    .coreOffsetCelsius = {0.0, 2.0},
                    .tdpWatts = 65.0, .idleWatts = 8.0, .fullLoadWatts = 50.0, .tdcAmps = 0,
                    .minVolts = 0.9500, .maxVolts = 1.2250, .mobileVid = false,
                    .vidRangeLowVolts = 0.8500, .vidRangeHighVolts = 1.3625,
                    .platformId = 0, .miscEnable = MiscCore2Desktop, .ratioLimitProgrammable = false,
                    .tdpLimitProgrammable = false, .pkgPowerLimit = 0, .pp0CurrentConfig = 0, .raplPowerUnit = 0});

    // Core 2 Quad Q6600 (Kentsfield, G0): 2.40 GHz = 9 x 266 MHz (FSB 1066),
    // SpeedStep down to 6 x, 95 W, VID 0.85-1.50 V.
    list.push_back({.name = "q6600", .dumpName = "q6600",
                    .brand = "Intel(R) Core(TM)2 Quad CPU    Q6600  @ 2.40GHz", .family = Family::Core2,
                    .patches = {},
                    .packages = 1, .coresPerPackage = 4, .threadsPerCore = 1, .coreIds = {0, 1, 2, 3},
                    .threadShift = 0, .packageShift = 2,
                    .busHzNumerator = Bus266, .busHzDenominator = 3, .baseRatioTenths = 90, .minRatioTenths = 60,
                    .turboRatioTenths = {},
                    .tjMax = 100, .idleCelsius = 42.0, .fullLoadCelsius = 68.0,
                    .thermalTimeConstantSeconds = 4.0, .heatsinkTimeConstantSeconds = 15.0,
                    .coreOffsetCelsius = {0.0, 2.5, -1.5, 1.0},
                    .tdpWatts = 95.0, .idleWatts = 25.0, .fullLoadWatts = 85.0, .tdcAmps = 0,
                    .minVolts = 0.9500, .maxVolts = 1.2875, .mobileVid = false,
                    .vidRangeLowVolts = 0.8500, .vidRangeHighVolts = 1.5000,
                    .platformId = 4, .miscEnable = MiscCore2Desktop, .ratioLimitProgrammable = false,
                    .tdpLimitProgrammable = false, .pkgPowerLimit = 0, .pp0CurrentConfig = 0, .raplPowerUnit = 0});

    // Core 2 Quad Q9550 (Yorkfield, E0): 2.83 GHz = 8.5 x 333 MHz (FSB 1333),
    // SpeedStep down to 6 x, 95 W, VID 0.85-1.3625 V.
    list.push_back({.name = "q9550", .dumpName = "q9550",
                    .brand = "Intel(R) Core(TM)2 Quad  CPU   Q9550  @ 2.83GHz", .family = Family::Core2,
                    .patches = {},
                    .packages = 1, .coresPerPackage = 4, .threadsPerCore = 1, .coreIds = {0, 1, 2, 3},
                    .threadShift = 0, .packageShift = 2,
                    .busHzNumerator = Bus333, .busHzDenominator = 3, .baseRatioTenths = 85, .minRatioTenths = 60,
                    .turboRatioTenths = {},
                    .tjMax = 100, .idleCelsius = 38.0, .fullLoadCelsius = 62.0,
                    .thermalTimeConstantSeconds = 4.0, .heatsinkTimeConstantSeconds = 15.0,
                    .coreOffsetCelsius = {0.0, 1.5, 3.0, -1.0},
                    .tdpWatts = 95.0, .idleWatts = 14.0, .fullLoadWatts = 70.0, .tdcAmps = 0,
                    .minVolts = 0.8500, .maxVolts = 1.2375, .mobileVid = false,
                    .vidRangeLowVolts = 0.8500, .vidRangeHighVolts = 1.3625,
                    .platformId = 0, .miscEnable = MiscCore2Desktop, .ratioLimitProgrammable = false,
                    .tdpLimitProgrammable = false, .pkgPowerLimit = 0, .pp0CurrentConfig = 0, .raplPowerUnit = 0});

    // Core 2 Duo T9300 (Penryn, mobile): 2.50 GHz = 12.5 x 200 MHz (FSB 800),
    // dynamic acceleration to 13.5 x with one core busy, SpeedStep down to
    // 6 x, 35 W, VID 1.00-1.25 V, Tjunction 105 C.
    // The dump is of a T8100: the 6 MB second-level cache of the T9300 is patched in.
    list.push_back({.name = "t9300", .dumpName = "t9300",
                    .brand = "Intel(R) Core(TM)2 Duo CPU     T9300  @ 2.50GHz", .family = Family::Core2,
                    .patches = {{0x2, 0, CpuidRegister::Edx, 0x2cb4304e},
                                {0x4, 2, CpuidRegister::Ebx, 0x05c0003f},
                                {0x80000006, 0, CpuidRegister::Ecx, 0x18008040}},
                    .packages = 1, .coresPerPackage = 2, .threadsPerCore = 1, .coreIds = {0, 1},
                    .threadShift = 0, .packageShift = 1,
                    .busHzNumerator = Bus200, .busHzDenominator = 1, .baseRatioTenths = 125, .minRatioTenths = 60,
                    .turboRatioTenths = {135, 125},
                    .tjMax = 105, .idleCelsius = 45.0, .fullLoadCelsius = 72.0,
                    .thermalTimeConstantSeconds = 3.0, .heatsinkTimeConstantSeconds = 12.0,
                    .coreOffsetCelsius = {0.0, 3.0},
                    .tdpWatts = 35.0, .idleWatts = 4.0, .fullLoadWatts = 28.0, .tdcAmps = 0,
                    .minVolts = 1.0000, .maxVolts = 1.1875, .mobileVid = true,
                    .vidRangeLowVolts = 1.0000, .vidRangeHighVolts = 1.2500,
                    .platformId = 7, .miscEnable = MiscCore2Mobile, .ratioLimitProgrammable = false,
                    .tdpLimitProgrammable = false, .pkgPowerLimit = 0, .pp0CurrentConfig = 0, .raplPowerUnit = 0});

    // Atom N270 (Diamondville): 1.60 GHz = 12 x 133 MHz (FSB 533), SpeedStep
    // down to 6 x (800 MHz), 2.5 W, VID 0.90-1.1625 V, Tjunction 90 C.
    list.push_back({.name = "n270", .dumpName = "n270",
                    .brand = "         Intel(R) Atom(TM) CPU N270   @ 1.60GHz", .family = Family::Atom,
                    .patches = {},
                    .packages = 1, .coresPerPackage = 1, .threadsPerCore = 2, .coreIds = {0},
                    .threadShift = 1, .packageShift = 1,
                    .busHzNumerator = Bus133, .busHzDenominator = 3, .baseRatioTenths = 120, .minRatioTenths = 60,
                    .turboRatioTenths = {},
                    .tjMax = 90, .idleCelsius = 48.0, .fullLoadCelsius = 62.0,
                    .thermalTimeConstantSeconds = 3.0, .heatsinkTimeConstantSeconds = 12.0,
                    .coreOffsetCelsius = {0.0},
                    .tdpWatts = 2.5, .idleWatts = 0.8, .fullLoadWatts = 2.2, .tdcAmps = 0,
                    .minVolts = 0.9375, .maxVolts = 1.1625, .mobileVid = true,
                    .vidRangeLowVolts = 0.9000, .vidRangeHighVolts = 1.1625,
                    .platformId = 3, .miscEnable = MiscAtom, .ratioLimitProgrammable = false,
                    .tdpLimitProgrammable = false, .pkgPowerLimit = 0, .pp0CurrentConfig = 0, .raplPowerUnit = 0});

    // Core i7-920 (Bloomfield, C0/D0): 2.66 GHz = 20 x 133 MHz, turbo 22 x
    // with one core active and 21 x with two to four, SpeedStep down to
    // 12 x, 130 W, VID 0.80-1.375 V.
    list.push_back({.name = "i7-920", .dumpName = "i7-920",
                    .brand = "Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", .family = Family::Nehalem,
                    .patches = {},
                    .packages = 1, .coresPerPackage = 4, .threadsPerCore = 2, .coreIds = {0, 1, 2, 3},
                    .threadShift = 1, .packageShift = 4,
                    .busHzNumerator = Bus133, .busHzDenominator = 3, .baseRatioTenths = 200, .minRatioTenths = 120,
                    .turboRatioTenths = {220, 210, 210, 210},
                    .tjMax = 100, .idleCelsius = 40.0, .fullLoadCelsius = 70.0,
                    .thermalTimeConstantSeconds = 4.0, .heatsinkTimeConstantSeconds = 20.0,
                    .coreOffsetCelsius = {0.0, 3.0, 1.0, -2.0},
                    .tdpWatts = 130.0, .idleWatts = 30.0, .fullLoadWatts = 105.0, .tdcAmps = 100,
                    .minVolts = 0.9000, .maxVolts = 1.3000, .mobileVid = false,
                    .vidRangeLowVolts = 0.8000, .vidRangeHighVolts = 1.3750,
                    .platformId = 1, .miscEnable = MiscNehalem, .ratioLimitProgrammable = false,
                    .tdpLimitProgrammable = true, .pkgPowerLimit = 0, .pp0CurrentConfig = 0, .raplPowerUnit = 0});

    // Core i7-975 Extreme (Bloomfield, D0): 3.33 GHz = 25 x 133 MHz, turbo
    // 27 x with one core active and 26 x with two to four, unlocked ratios,
    // SpeedStep down to 12 x, 130 W, VID 0.80-1.375 V.
    // The dump is of a Xeon W3520 of the same stepping: desktop feature flags patched in.
    list.push_back({.name = "i7-975", .dumpName = "i7-975",
                    .brand = "Intel(R) Core(TM) i7 CPU         975  @ 3.33GHz", .family = Family::Nehalem,
                    .patches = {{0x1, 0, CpuidRegister::Ecx, 0x0098e3bd}, {0x6, 0, CpuidRegister::Eax, 0x00000003}},
                    .packages = 1, .coresPerPackage = 4, .threadsPerCore = 2, .coreIds = {0, 1, 2, 3},
                    .threadShift = 1, .packageShift = 4,
                    .busHzNumerator = Bus133, .busHzDenominator = 3, .baseRatioTenths = 250, .minRatioTenths = 120,
                    .turboRatioTenths = {270, 260, 260, 260},
                    .tjMax = 100, .idleCelsius = 42.0, .fullLoadCelsius = 74.0,
                    .thermalTimeConstantSeconds = 4.0, .heatsinkTimeConstantSeconds = 20.0,
                    .coreOffsetCelsius = {0.0, 2.0, 3.5, -1.0},
                    .tdpWatts = 130.0, .idleWatts = 32.0, .fullLoadWatts = 110.0, .tdcAmps = 110,
                    .minVolts = 0.9000, .maxVolts = 1.3500, .mobileVid = false,
                    .vidRangeLowVolts = 0.8000, .vidRangeHighVolts = 1.3750,
                    .platformId = 1, .miscEnable = MiscNehalem, .ratioLimitProgrammable = true,
                    .tdpLimitProgrammable = true, .pkgPowerLimit = 0, .pp0CurrentConfig = 0, .raplPowerUnit = 0});

    // Core i5-750 (Lynnfield, B1): 2.66 GHz = 20 x 133 MHz, turbo 24 x with
    // one or two cores active and 21 x with three or four, SpeedStep down
    // to 9 x, 95 W, VID 0.65-1.40 V.
    list.push_back({.name = "i5-750", .dumpName = "i5-750",
                    .brand = "Intel(R) Core(TM) i5 CPU         750  @ 2.67GHz", .family = Family::Nehalem,
                    .patches = {},
                    .packages = 1, .coresPerPackage = 4, .threadsPerCore = 1, .coreIds = {0, 1, 2, 3},
                    .threadShift = 1, .packageShift = 4,
                    .busHzNumerator = Bus133, .busHzDenominator = 3, .baseRatioTenths = 200, .minRatioTenths = 90,
                    .turboRatioTenths = {240, 240, 210, 210},
                    .tjMax = 99, .idleCelsius = 34.0, .fullLoadCelsius = 64.0,
                    .thermalTimeConstantSeconds = 4.0, .heatsinkTimeConstantSeconds = 20.0,
                    .coreOffsetCelsius = {0.0, 2.5, 1.5, -1.5},
                    .tdpWatts = 95.0, .idleWatts = 18.0, .fullLoadWatts = 80.0, .tdcAmps = 80,
                    .minVolts = 0.8500, .maxVolts = 1.2500, .mobileVid = false,
                    .vidRangeLowVolts = 0.6500, .vidRangeHighVolts = 1.4000,
                    .platformId = 1, .miscEnable = MiscNehalem, .ratioLimitProgrammable = false,
                    .tdpLimitProgrammable = true, .pkgPowerLimit = 0, .pp0CurrentConfig = 0, .raplPowerUnit = 0});

    // Core i7-980X Extreme (Gulftown, B1): 3.33 GHz = 25 x 133 MHz, turbo
    // 27 x with one or two cores active and 26 x with three to six, unlocked
    // ratios, SpeedStep down to 12 x, 130 W, VID 0.80-1.375 V.
    list.push_back({.name = "i7-980x", .dumpName = "i7-980x",
                    .brand = "Intel(R) Core(TM) i7 CPU       X 980  @ 3.33GHz", .family = Family::Nehalem,
                    .patches = {},
                    .packages = 1, .coresPerPackage = 6, .threadsPerCore = 2, .coreIds = {0, 1, 2, 8, 9, 10},
                    .threadShift = 1, .packageShift = 5,
                    .busHzNumerator = Bus133, .busHzDenominator = 3, .baseRatioTenths = 250, .minRatioTenths = 120,
                    .turboRatioTenths = {270, 270, 260, 260, 260, 260},
                    .tjMax = 100, .idleCelsius = 38.0, .fullLoadCelsius = 68.0,
                    .thermalTimeConstantSeconds = 4.0, .heatsinkTimeConstantSeconds = 20.0,
                    .coreOffsetCelsius = {0.0, 2.0, 3.0, 1.0, -1.5, 1.5},
                    .tdpWatts = 130.0, .idleWatts = 28.0, .fullLoadWatts = 115.0, .tdcAmps = 110,
                    .minVolts = 0.8000, .maxVolts = 1.3000, .mobileVid = false,
                    .vidRangeLowVolts = 0.8000, .vidRangeHighVolts = 1.3750,
                    .platformId = 1, .miscEnable = MiscNehalem, .ratioLimitProgrammable = true,
                    .tdpLimitProgrammable = true, .pkgPowerLimit = 0, .pp0CurrentConfig = 0, .raplPowerUnit = 0});

    // Two Xeon X5570 (Gainestown, D0): 2.93 GHz = 22 x 133 MHz, turbo 25 x
    // with one or two cores active and 24 x with three or four, SpeedStep
    // down to 12 x, 95 W each, VID 0.75-1.35 V.
    list.push_back({.name = "xeon-x5570-2s", .dumpName = "xeon-x5570-2s",
                    .brand = "Intel(R) Xeon(R) CPU           X5570  @ 2.93GHz", .family = Family::Nehalem,
                    .patches = {},
                    .packages = 2, .coresPerPackage = 4, .threadsPerCore = 2, .coreIds = {0, 1, 2, 3},
                    .threadShift = 1, .packageShift = 4,
                    .busHzNumerator = Bus133, .busHzDenominator = 3, .baseRatioTenths = 220, .minRatioTenths = 120,
                    .turboRatioTenths = {250, 250, 240, 240},
                    .tjMax = 95, .idleCelsius = 36.0, .fullLoadCelsius = 64.0,
                    .thermalTimeConstantSeconds = 4.0, .heatsinkTimeConstantSeconds = 20.0,
                    .coreOffsetCelsius = {0.0, 1.5, 2.5, -1.0},
                    .tdpWatts = 95.0, .idleWatts = 22.0, .fullLoadWatts = 80.0, .tdcAmps = 80,
                    .minVolts = 0.9000, .maxVolts = 1.3000, .mobileVid = false,
                    .vidRangeLowVolts = 0.7500, .vidRangeHighVolts = 1.3500,
                    .platformId = 1, .miscEnable = MiscNehalem, .ratioLimitProgrammable = false,
                    .tdpLimitProgrammable = false, .pkgPowerLimit = 0, .pp0CurrentConfig = 0, .raplPowerUnit = 0});

    // Core i7-2600K (Sandy Bridge, D2): 3.40 GHz = 34 x 100 MHz, turbo 38,
    // 37, 36 and 35 x with one to four cores active, unlocked ratios,
    // SpeedStep down to 16 x, 95 W, VID 0.25-1.52 V, TjMax 98 C.
    // Package power limits: PL1 95 W over about 1 s, PL2 118.75 W over about 10 ms,
    // both enabled; units 1/8 W, 1/65536 J, 1/1024 s; core current limit 97 A.
    list.push_back({.name = "i7-2600k", .dumpName = "i7-2600k",
                    .brand = "       Intel(R) Core(TM) i7-2600K CPU @ 3.40GHz", .family = Family::SandyBridge,
                    .patches = {},
                    .packages = 1, .coresPerPackage = 4, .threadsPerCore = 2, .coreIds = {0, 1, 2, 3},
                    .threadShift = 1, .packageShift = 4,
                    .busHzNumerator = Bus100, .busHzDenominator = 1, .baseRatioTenths = 340, .minRatioTenths = 160,
                    .turboRatioTenths = {380, 370, 360, 350},
                    .tjMax = 98, .idleCelsius = 32.0, .fullLoadCelsius = 66.0,
                    .thermalTimeConstantSeconds = 4.0, .heatsinkTimeConstantSeconds = 20.0,
                    .coreOffsetCelsius = {0.0, 3.0, 1.0, -2.0},
                    .tdpWatts = 95.0, .idleWatts = 6.0, .fullLoadWatts = 75.0, .tdcAmps = 0,
                    .minVolts = 0.9600, .maxVolts = 1.3200, .mobileVid = false,
                    .vidRangeLowVolts = 0.2500, .vidRangeHighVolts = 1.5200,
                    .platformId = 1, .miscEnable = MiscNehalem, .ratioLimitProgrammable = true,
                    .tdpLimitProgrammable = true, .pkgPowerLimit = 0x004683B6001482F8ull, .pp0CurrentConfig = 0x308,
                    .raplPowerUnit = 0xA1003});

    // Core i9-13900K (Raptor Lake-S, B0): 8 performance cores with two
    // threads (APIC ids 0, 1, 8, 9 ... 56, 57) and 16 efficient cores (64 to
    // 94), 3.0 GHz = 30 x 100 MHz, turbo 58 x with one or two cores active
    // and 55 x up to eight, the efficient cores up to 43 x, SpeedStep down to
    // 8 x, TjMax 100 C, PL1 125 W and PL2 250 W, hardware P-states enabled;
    // the registers' images as a real one reported them.
    list.push_back({.name = "i9-13900k", .dumpName = "i9-13900k",
                    .brand = "13th Gen Intel(R) Core(TM) i9-13900K", .family = Family::SandyBridge,
                    .patches = {},
                    .packages = 1, .coresPerPackage = 24, .threadsPerCore = 2, .coreIds = {},
                    .threadShift = 1, .packageShift = 7,
                    .apicIds = {0, 1, 8, 9, 16, 17, 24, 25, 32, 33, 40, 41, 48, 49, 56, 57,
                                64, 66, 68, 70, 72, 74, 76, 78, 80, 82, 84, 86, 88, 90, 92, 94},
                    .coreDumps = {{"i9-13900k-ecore", {64, 66, 68, 70, 72, 74, 76, 78, 80, 82, 84, 86, 88, 90, 92, 94}, 430}},
                    .turboGroupCores = 0x0807060504030201ull,
                    .busHzNumerator = Bus100, .busHzDenominator = 1, .baseRatioTenths = 300, .minRatioTenths = 80,
                    .turboRatioTenths = {580, 580, 550, 550, 550, 550, 550, 550},
                    .tjMax = 100, .idleCelsius = 31.0, .fullLoadCelsius = 72.0,
                    .thermalTimeConstantSeconds = 3.0, .heatsinkTimeConstantSeconds = 25.0,
                    .coreOffsetCelsius = {0.0, 2.0, 3.5, 1.5, 4.0, 2.5, 1.0, 3.0,
                                          -6.0, -6.0, -5.5, -5.5, -5.0, -5.0, -6.5, -6.5,
                                          -5.0, -5.0, -4.5, -4.5, -6.0, -6.0, -5.5, -5.5},
                    .tdpWatts = 125.0, .idleWatts = 9.0, .fullLoadWatts = 140.0, .tdcAmps = 0,
                    .minVolts = 0.7000, .maxVolts = 1.3800, .mobileVid = false,
                    .vidRangeLowVolts = 0.2500, .vidRangeHighVolts = 1.5200,
                    .platformId = 1, .miscEnable = MiscNehalem, .ratioLimitProgrammable = true,
                    .tdpLimitProgrammable = true, .pkgPowerLimit = 0x004287D000DF83E8ull, .pp0CurrentConfig = 0,
                    .raplPowerUnit = 0xA0E03, .pmEnable = 1});

    // Core Ultra 7 155H (Meteor Lake-H): 6 performance cores with two threads
    // (APIC ids 32, 33, 16, 17, 24, 25, 40, 41, 48, 49, 56, 57, listed in the
    // firmware's order), 8 efficient cores (0 to 14) and 2 low-power efficient
    // cores (64, 66), 3.0 GHz = 30 x 100 MHz base of the performance cores,
    // turbo 48 x with up to four cores active and 46 x up to eight, the
    // efficient cores up to 38 x and the low-power ones 25 x, SpeedStep down
    // to 4 x, TjMax 110 C, 28 W with both limits at 64 W, hardware P-states
    // enabled.
    list.push_back({.name = "ultra7-155h", .dumpName = "ultra7-155h",
                    .brand = "Intel(R) Core(TM) Ultra 7 155H", .family = Family::SandyBridge,
                    .patches = {},
                    .packages = 1, .coresPerPackage = 16, .threadsPerCore = 2, .coreIds = {},
                    .threadShift = 1, .packageShift = 7,
                    .apicIds = {32, 33, 16, 17, 24, 25, 40, 41, 48, 49, 56, 57, 0, 2, 4, 6, 8, 10, 12, 14, 64, 66},
                    .coreDumps = {{"ultra7-155h-ecore", {0, 2, 4, 6, 8, 10, 12, 14}, 380}, {"ultra7-155h-lpecore", {64, 66}, 250}},
                    .turboGroupCores = 0x0807060504030201ull,
                    .busHzNumerator = Bus100, .busHzDenominator = 1, .baseRatioTenths = 300, .minRatioTenths = 40,
                    .turboRatioTenths = {480, 480, 480, 480, 460, 460, 460, 460},
                    .tjMax = 110, .idleCelsius = 42.0, .fullLoadCelsius = 78.0,
                    .thermalTimeConstantSeconds = 2.0, .heatsinkTimeConstantSeconds = 12.0,
                    .coreOffsetCelsius = {0.0, 2.5, 1.5, 3.0, 2.0, 1.0,
                                          -7.0, -7.0, -6.5, -6.5, -6.0, -6.0, -7.5, -7.5, -12.0, -12.0},
                    .tdpWatts = 28.0, .idleWatts = 2.5, .fullLoadWatts = 45.0, .tdcAmps = 0,
                    .minVolts = 0.6500, .maxVolts = 1.2500, .mobileVid = false,
                    .vidRangeLowVolts = 0.2500, .vidRangeHighVolts = 1.5200,
                    .platformId = 7, .miscEnable = MiscNehalem, .ratioLimitProgrammable = true,
                    .tdpLimitProgrammable = true, .pkgPowerLimit = 0x0042820000DD8200ull, .pp0CurrentConfig = 0x3C0,
                    .raplPowerUnit = 0xA0E03, .pmEnable = 1});

    // Two Xeon Silver 4514Y (Emerald Rapids): 16 cores with two threads per
    // socket, the second socket from APIC id 128, 2.0 GHz = 20 x 100 MHz,
    // turbo in core-count groups (34 x up to 8 active cores, then 31, 29, 27
    // and 26 x up to 16), SpeedStep down to 8 x, TjMax 90 C, 150 W with
    // limits of 150 and 180 W per socket.
    list.push_back({.name = "xeon-4514y-2s", .dumpName = "xeon-4514y-2s",
                    .brand = "INTEL(R) XEON(R) SILVER 4514Y", .family = Family::SandyBridge,
                    .patches = {},
                    .packages = 2, .coresPerPackage = 16, .threadsPerCore = 2,
                    .coreIds = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
                    .threadShift = 1, .packageShift = 7,
                    .turboGroupCores = 0x10100E0C0A080604ull,
                    .busHzNumerator = Bus100, .busHzDenominator = 1, .baseRatioTenths = 200, .minRatioTenths = 80,
                    .turboRatioTenths = {340, 340, 340, 310, 290, 270, 260, 260},
                    .tjMax = 90, .idleCelsius = 34.0, .fullLoadCelsius = 62.0,
                    .thermalTimeConstantSeconds = 4.0, .heatsinkTimeConstantSeconds = 30.0,
                    .coreOffsetCelsius = {0.0, 1.0, 2.0, 1.5, 3.0, 2.5, 1.0, 0.5,
                                          2.0, 3.5, 2.5, 1.5, 0.5, 1.0, 2.0, 0.0},
                    .tdpWatts = 150.0, .idleWatts = 45.0, .fullLoadWatts = 135.0, .tdcAmps = 0,
                    .minVolts = 0.7000, .maxVolts = 1.1500, .mobileVid = false,
                    .vidRangeLowVolts = 0.2500, .vidRangeHighVolts = 1.5200,
                    .platformId = 0, .miscEnable = MiscNehalem, .ratioLimitProgrammable = true,
                    .tdpLimitProgrammable = true, .pkgPowerLimit = 0x008785A0001584B0ull,
                    .pp0CurrentConfig = 0x800005F0, .raplPowerUnit = 0xA0E03});

    return list;
}

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

} // namespace

double Profile::voltsAt(int ratioTenths) const
{
    int low = minRatioTenths;
    int high = topRatioTenths();
    if (high <= low)
        return maxVolts;
    double position = std::clamp(double(ratioTenths - low) / double(high - low), 0.0, 1.0);
    return minVolts + (maxVolts - minVolts) * position;
}

int Profile::vidCodeAt(int ratioTenths) const
{
    double offset = mobileVid ? 0.7125 : 0.825;
    return int(std::clamp(std::lround((voltsAt(ratioTenths) - offset) / 0.0125), 0L, 63L));
}

int Profile::totalCores() const
{
    if (apicIds.empty())
        return packages * coresPerPackage;
    std::vector<uint32_t> cores;
    for (uint32_t apicId : apicIds)
        cores.push_back(apicId >> threadShift);
    std::sort(cores.begin(), cores.end());
    return static_cast<int>(std::unique(cores.begin(), cores.end()) - cores.begin());
}

double Profile::coreOffset(int coreInPackage) const
{
    if (coreInPackage < 0 || coreInPackage >= int(coreOffsetCelsius.size()))
        return 0.0;
    return coreOffsetCelsius[static_cast<size_t>(coreInPackage)];
}

const std::vector<Profile>& profiles()
{
    static const std::vector<Profile> list = buildProfiles();
    return list;
}

const Profile* findProfile(std::string_view name)
{
    std::string wanted = lowered(name);
    for (const Profile& profile : profiles())
        if (profile.name == wanted)
            return &profile;
    return nullptr;
}

std::string profileNames()
{
    std::string names;
    for (const Profile& profile : profiles()) {
        if (!names.empty())
            names += ", ";
        names += profile.name;
    }
    return names;
}

} // namespace sim
