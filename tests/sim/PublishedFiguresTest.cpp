// Every profile against the figures Intel publishes for the part: clocks,
// ratios, turbo bins by active core count, TjMax, TDP and VID range. The
// table is kept here, apart from the profiles, so a slip in either shows.

#include "sim/Profile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Published {
    const char* profile;
    double busMHz;
    double baseRatio;
    double lowestRatio;
    std::vector<double> turbo; // highest ratio with 1, 2, ... cores active; empty without turbo
    int tjMax;
    double tdpWatts;
    double vidLow, vidHigh;
};

// The processor maker's product data and datasheets; TjMax of the Core 2
// desktop parts is the value their digital sensors count from.
const std::vector<Published> published = {
    {"e8400", 333.33, 9.0, 6.0, {}, 100, 65.0, 0.85, 1.3625},
    {"q6600", 266.67, 9.0, 6.0, {}, 100, 95.0, 0.85, 1.50},
    {"q9550", 333.33, 8.5, 6.0, {}, 100, 95.0, 0.85, 1.3625},
    {"t9300", 200.00, 12.5, 6.0, {13.5, 12.5}, 105, 35.0, 1.00, 1.25},
    {"n270", 133.33, 12.0, 6.0, {}, 90, 2.5, 0.90, 1.1625},
    {"i7-920", 133.33, 20.0, 12.0, {22, 21, 21, 21}, 100, 130.0, 0.80, 1.375},
    {"i7-975", 133.33, 25.0, 12.0, {27, 26, 26, 26}, 100, 130.0, 0.80, 1.375},
    {"i5-750", 133.33, 20.0, 9.0, {24, 24, 21, 21}, 99, 95.0, 0.65, 1.40},
    {"i7-980x", 133.33, 25.0, 12.0, {27, 27, 26, 26, 26, 26}, 100, 130.0, 0.80, 1.375},
    {"xeon-x5570-2s", 133.33, 22.0, 12.0, {25, 25, 24, 24}, 95, 95.0, 0.75, 1.35},
    {"i7-2600k", 100.00, 34.0, 16.0, {38, 37, 36, 35}, 98, 95.0, 0.25, 1.52},
    // Later parts: turbo bins as their MSR_TURBO_RATIO_LIMIT reads (by core-count
    // group on the Xeon), base and lowest ratio from MSR_PLATFORM_INFO.
    {"i9-13900k", 100.00, 30.0, 8.0, {58, 58, 55, 55, 55, 55, 55, 55}, 100, 125.0, 0.25, 1.52},
    {"ultra7-155h", 100.00, 30.0, 4.0, {48, 48, 48, 48, 46, 46, 46, 46}, 110, 28.0, 0.25, 1.52},
    {"xeon-4514y-2s", 100.00, 20.0, 8.0, {34, 34, 34, 31, 29, 27, 26, 26}, 90, 150.0, 0.25, 1.52},
};

TEST(PublishedFigures, EveryProfileMatchesItsPart)
{
    ASSERT_EQ(published.size(), sim::profiles().size()) << "a profile without published figures";
    for (const Published& want : published) {
        SCOPED_TRACE(want.profile);
        const sim::Profile* p = sim::findProfile(want.profile);
        ASSERT_NE(p, nullptr);
        EXPECT_NEAR(p->busHz() / 1e6, want.busMHz, 0.01);
        EXPECT_EQ(p->baseRatioTenths, int(want.baseRatio * 10));
        EXPECT_EQ(p->minRatioTenths, int(want.lowestRatio * 10));
        ASSERT_EQ(p->turboRatioTenths.size(), want.turbo.size());
        for (size_t cores = 0; cores < want.turbo.size(); ++cores)
            EXPECT_EQ(p->turboRatioTenths[cores], int(want.turbo[cores] * 10)) << cores + 1 << " active cores";
        EXPECT_EQ(p->tjMax, want.tjMax);
        EXPECT_DOUBLE_EQ(p->tdpWatts, want.tdpWatts);
        EXPECT_DOUBLE_EQ(p->vidRangeLowVolts, want.vidLow);
        EXPECT_DOUBLE_EQ(p->vidRangeHighVolts, want.vidHigh);
        // The voltages the part runs at lie inside the published range.
        EXPECT_GE(p->minVolts, want.vidLow);
        EXPECT_LE(p->maxVolts, want.vidHigh);
        EXPECT_LT(p->minVolts, p->maxVolts);
    }
}

} // namespace
