#include "loadgen/ElapsedTime.h"
#include "loadgen/SlotSelection.h"

#include <gtest/gtest.h>

using loadgen::ElapsedTime;
using loadgen::SlotSelection;

TEST(SlotSelectionTest, TickingAndUntickingReturnsTheLoad)
{
    SlotSelection selection;
    EXPECT_TRUE(selection.toggle(3));
    EXPECT_TRUE(selection.toggle(7));
    EXPECT_EQ(selection.loadPercent(), 20);
    EXPECT_EQ(selection.mask(), (1u << 3) | (1u << 7));
    EXPECT_TRUE(selection.toggle(0));
    EXPECT_FALSE(selection.toggle(0));
    EXPECT_EQ(selection.loadPercent(), 20);
    EXPECT_EQ(selection.mask(), (1u << 3) | (1u << 7));
    EXPECT_FALSE(selection.isOn(0));
    EXPECT_TRUE(selection.isOn(7));
}

TEST(SlotSelectionTest, SelectAllAndClearAll)
{
    SlotSelection selection;
    selection.toggle(1);
    selection.toggle(2);
    selection.selectAll();
    EXPECT_EQ(selection.loadPercent(), 100);
    EXPECT_EQ(selection.mask(), 0x3FFu);
    // Unticking after Select All counts down from 100.
    EXPECT_FALSE(selection.toggle(2));
    EXPECT_EQ(selection.loadPercent(), 90);
    selection.clearAll();
    EXPECT_EQ(selection.loadPercent(), 0);
    EXPECT_EQ(selection.mask(), 0u);
    for (int slot = 0; slot < SlotSelection::slotCount; ++slot)
        EXPECT_FALSE(selection.isOn(slot));
}

TEST(SlotSelectionTest, SlotsOutsideTheSecondAreIgnored)
{
    SlotSelection selection;
    EXPECT_FALSE(selection.toggle(10));
    EXPECT_FALSE(selection.toggle(-1));
    EXPECT_EQ(selection.loadPercent(), 0);
    EXPECT_EQ(selection.mask(), 0u);
}

struct ElapsedCase {
    int64_t seconds;
    const char* text;
};

class ElapsedTimeTest : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(ElapsedTimeTest, ShowsHoursOfTheDay)
{
    EXPECT_EQ(ElapsedTime::format(GetParam().seconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, ElapsedTimeTest,
                         ::testing::Values(ElapsedCase{0, "00:00:00"}, ElapsedCase{59, "00:00:59"},
                                           ElapsedCase{61, "00:01:01"}, ElapsedCase{3723, "01:02:03"},
                                           ElapsedCase{86399, "23:59:59"}, ElapsedCase{86400, "00:00:00"},
                                           ElapsedCase{90061, "01:01:01"}, ElapsedCase{-5, "00:00:00"}));
