#include "common/CounterArithmetic.h"

#include <gtest/gtest.h>

using namespace common;

namespace {

constexpr uint64_t Wrap40 = uint64_t(1) << 40;

TEST(CounterArithmetic, DeltaAndWrap)
{
    struct Case {
        uint64_t now, last, wrap, expected;
    };
    const Case cases[] = {
        {1500, 1000, Wrap40, 500},
        {1000, 1000, Wrap40, 0},
        // A 40-bit counter that passed its top between two cycles.
        {100, Wrap40 - 400, Wrap40, 500},
        {0, Wrap40 - 1, Wrap40, 1},
        // 48-bit counter.
        {5, (uint64_t(1) << 48) - 5, uint64_t(1) << 48, 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(counterDelta(c.now, c.last, c.wrap), c.expected) << c.now << " " << c.last;
}

TEST(CounterArithmetic, WrapFromCpuidWidth)
{
    EXPECT_EQ(counterWrapForWidth(0x9, 48), Wrap40);  // no leaf 0x0A: 40 bits
    EXPECT_EQ(counterWrapForWidth(0xA, 40), Wrap40);
    EXPECT_EQ(counterWrapForWidth(0xD, 48), uint64_t(1) << 48);
    EXPECT_EQ(counterWrapForWidth(0xB, 0), Wrap40);   // no width reported
    EXPECT_EQ(counterWrapForWidth(0xB, 64), Wrap40);  // cannot be a real counter
}

} // namespace
