#pragma once
// The monitor is built twice from the same sources: the four-core Ostrel and
// the six-core OstrelHX, an earlier feature level. What differs between the two
// is fixed at build time and described by one BuildFlavour value that the
// program passes to the code that depends on it.

namespace hw {

// Core slots of the core map; both builds fill all of them.
constexpr int MaxCoreSlots = 8;

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
};

constexpr BuildFlavour FourCoreBuild{4, 4, false, true, true, true};
constexpr BuildFlavour SixCoreBuild{6, 8, true, false, false, false};

// The flavour of the program being compiled; only program code (which is
// compiled once per build) should refer to it, libraries take the flavour as
// an argument.
#ifdef OSTREL_SIX_CORE
constexpr BuildFlavour ThisBuild = SixCoreBuild;
#else
constexpr BuildFlavour ThisBuild = FourCoreBuild;
#endif

} // namespace hw
