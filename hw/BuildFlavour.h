#pragma once
// The monitor is built three times from the same sources: the four-core
// Ostrel, the six-core OstrelHX, an earlier feature level, and the many-core
// OstrelXL, which has OstrelHX's feature level and shows every core of the
// processor. What differs between them is fixed at build time and described
// by one BuildFlavour value that the program passes to the code that depends
// on it.

namespace hw {

// Core slots of the per-core records: every core of the largest processor
// the many-core build shows (all packages together).
constexpr int MaxCoreSlots = 64;
// Core slots the core map of the four- and six-core builds fills.
constexpr int ClassicCoreSlots = 8;

struct BuildFlavour {
    // Core slots sampled and shown (0 .. coreSlots - 1).
    int coreSlots;
    // Per-core settings keys (TjMax<n>, Idle<n>) exist for 0 .. settingSlots - 1.
    int settingSlots;

    // Identification rules of the six-core build: signature 0x106C2 gets TjMax
    // 90 and counts as Atom, "Q9200" joins the TjMax 100 list, the Atom list
    // "Z500 ... N270" gets 90, no "L9x00" renaming, "Intel " before the display name.
    bool sixCoreRules;

    // The key Skull selects the processor package on two-package systems.
    bool packageSelection;
    // The key KillMHz adjusts killMhz.
    bool mobileOverride;
    // The key OldFormula may select the older idle correction.
    bool oldIdleFormula;

    // Core slots the core map fills: the processor's first cores, in slot order.
    int mappedSlots = ClassicCoreSlots;
    // The program's name, as messages and the settings file name it.
    const char* programName = "Ostrel";

    // Whether the build shows every core of the processor.
    constexpr bool showsEveryCore() const { return coreSlots > ClassicCoreSlots; }
};

constexpr BuildFlavour FourCoreBuild{4, 4, false, true, true, true, ClassicCoreSlots, "Ostrel"};
constexpr BuildFlavour SixCoreBuild{6, 8, true, false, false, false, ClassicCoreSlots, "OstrelHX"};
constexpr BuildFlavour ManyCoreBuild{MaxCoreSlots, MaxCoreSlots, true, false, false, false, MaxCoreSlots, "OstrelXL"};

// The flavour of the program being compiled; only program code (which is
// compiled once per build) should refer to it, libraries take the flavour as
// an argument.
#if defined(OSTREL_MANY_CORE)
constexpr BuildFlavour ThisBuild = ManyCoreBuild;
#elif defined(OSTREL_SIX_CORE)
constexpr BuildFlavour ThisBuild = SixCoreBuild;
#else
constexpr BuildFlavour ThisBuild = FourCoreBuild;
#endif

} // namespace hw
