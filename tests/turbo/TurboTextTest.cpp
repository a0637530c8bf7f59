// The processor name line, the load filter entry and the min / max range.
#include "turbo/MultiplierRange.h"
#include "turbo/ProcessorNameLine.h"

#include <gtest/gtest.h>

namespace turbo {
namespace {

TEST(ProcessorNameLine, CleansTheBrandString)
{
    struct Case {
        const char* brand;
        uint32_t signature;
        const char* line;
    };
    const Case cases[] = {
        {"Intel(R) Core(TM) i7 CPU         920  @ 2.67GHz", 0x106A5, "Intel Core i7 920  -  CPUID 0x106A5"},
        {"       Intel(R) Core(TM) i7-2600K CPU @ 3.40GHz", 0x206A7, "Intel Core i7-2600K  -  CPUID 0x206A7"},
        {"Intel(R) Core(TM)2 Extreme CPU X9650  @ 3.00GHz", 0x10676, "Intel Core 2 Extreme QX9650  -  CPUID 0x10676"},
        {"Intel(R) Core(TM)2 Extreme CPU QX9650  @ 3.00GHz", 0x10676, "Intel Core 2 Extreme QX9650  -  CPUID 0x10676"},
        {"Genuine Intel(R) CPU           T2400  @ 1.83GHz", 0x6E8, "Intel T2400  -  CPUID 0x6E8"},
        {"Intel(R) Atom(TM) CPU N270   @ 1.60GHz", 0x106C2, "Intel Atom N270  -  CPUID 0x106C2"},
        {"@ first", 0x6FB, "@ first  -  CPUID 0x6FB"}, // an "@" at the start is kept
        {"", 0x6FB, "  -  CPUID 0x6FB"},
        {"   ", 0x6FB, "  -  CPUID 0x6FB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(processorNameLine(c.brand, c.signature), c.line) << c.brand;
}

TEST(LoadFilterEntry, LeadingIntegerClampedToRange)
{
    struct Case {
        const char* text;
        int filter;
    };
    const Case cases[] = {
        {"150", 99}, {"-5", 0}, {"abc", 0}, {"", 0}, {"85%", 85}, {" 42x", 42}, {"+7", 7},
        {"99999999999999999999", 99}, {"-99999999999999999999", 0}, {"0x50", 0}, {"90", 90},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MultiplierRange::loadFilterFromText(c.text), c.filter) << c.text;
}

TEST(MultiplierRange, LoadFilterChangeResetsOnlyWhenTheValueDiffers)
{
    MultiplierRange range;
    range.update(100.0, 24.0);
    EXPECT_FALSE(range.setLoadFilter(90));
    EXPECT_EQ(range.maximum(), 24.0);
    EXPECT_TRUE(range.setLoadFilter(150));
    EXPECT_EQ(range.loadFilter(), 99);
    EXPECT_EQ(range.maximum(), 0.0);
    range.update(100.0, 25.0);
    EXPECT_FALSE(range.setLoadFilter(150)); // clamps to the same 99
    EXPECT_FALSE(range.setLoadFilter(99));
    EXPECT_EQ(range.maximum(), 25.0);
    EXPECT_TRUE(range.setLoadFilter(-5));
    EXPECT_EQ(range.loadFilter(), 0);
    EXPECT_EQ(range.minimum(), 100.0);
}

TEST(MultiplierRange, CountsOnlyBusyTicks)
{
    struct Step {
        double c0, multiplier;
        bool minimum, maximum;
    };
    const Step steps[] = {
        {89.99, 30.0, false, false},
        {90.00, 24.0, true, true},
        {95.0, 22.0, true, false},
        {99.0, 26.0, false, true},
        {100.0, 24.0, false, false},
        {10.0, 10.0, false, false},
    };
    MultiplierRange range;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.c0);
        MultiplierRange::Change change = range.update(s.c0, s.multiplier);
        EXPECT_EQ(change.minimum, s.minimum);
        EXPECT_EQ(change.maximum, s.maximum);
    }
    EXPECT_EQ(range.minimum(), 22.0);
    EXPECT_EQ(range.maximum(), 26.0);
    range.reset();
    EXPECT_EQ(range.minimum(), 100.0);
    EXPECT_EQ(range.maximum(), 0.0);
}

} // namespace
} // namespace turbo
