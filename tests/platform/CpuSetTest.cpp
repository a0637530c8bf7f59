#include "platform/CpuSet.h"
#include "platform/KernelCpuMask.h"

#include <gtest/gtest.h>

#include <sched.h>

using platform::CpuSet;

TEST(CpuSet, CpuListsParseLikeTheKernelWritesThem)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0", "0"},           {"0-3", "0-3"},         {"0-3,6", "0-3,6"},     {"0,2,4-5\n", "0,2,4-5"},
        {"0-63", "0-63"},     {"32-63", "32-63"},     {"0-1,64,127", "0-1,64,127"},
        {"3,1,2", "1-3"},     {"", ""},
    };
    for (auto [text, list] : cases) {
        const std::optional<CpuSet> set = CpuSet::parseList(text);
        ASSERT_TRUE(set) << text;
        EXPECT_EQ(set->toList(), list) << text;
    }
    EXPECT_EQ(CpuSet::parseList("0-63")->count(), 64);
    // Malformed lists name no CPU at all rather than a guess.
    for (const char* bad : {"junk", "1-", "-3", "4-2", "0,,1", "0x3", "1-99999"})
        EXPECT_FALSE(CpuSet::parseList(bad)) << bad;
}

TEST(CpuSet, SetOperationsAcrossWordBoundaries)
{
    CpuSet low = CpuSet::range(0, 63);
    CpuSet high = CpuSet::range(32, 95);
    EXPECT_EQ((low & high).toList(), "32-63");
    EXPECT_EQ((low | high).toList(), "0-95");
    EXPECT_EQ(low.without(high).toList(), "0-31");
    EXPECT_EQ(high.without(low).toList(), "64-95");
    EXPECT_TRUE((CpuSet::of(70) & CpuSet::of(6)).empty());
    EXPECT_EQ(CpuSet::of(70) & CpuSet::of(6), CpuSet());

    CpuSet set = CpuSet::of(130);
    set.add(5);
    EXPECT_EQ(set.first(), 5);
    EXPECT_EQ(set.next(5), 130);
    EXPECT_EQ(set.next(130), -1);
    EXPECT_EQ(set.end(), 131);
    set.remove(130);
    EXPECT_EQ(set, CpuSet::of(5)) << "removing the highest CPU leaves no trailing words behind";
    EXPECT_EQ(CpuSet::fromMask(0x8000000000000001ull).toList(), "0,63");
}

TEST(KernelCpuMask, TheCallersAffinityRoundTripsThroughTheKernel)
{
    const std::optional<CpuSet> mine = platform::KernelCpuMask::of(0);
    ASSERT_TRUE(mine);
    ASSERT_FALSE(mine->empty());
    EXPECT_EQ(mine->count(), [] {
        cpu_set_t set;
        CPU_ZERO(&set);
        sched_getaffinity(0, sizeof set, &set);
        return CPU_COUNT(&set);
    }());
    // Narrowed to one CPU and back.
    ASSERT_TRUE(platform::KernelCpuMask(CpuSet::of(mine->first())).applyTo(0));
    EXPECT_EQ(platform::KernelCpuMask::of(0), CpuSet::of(mine->first()));
    ASSERT_TRUE(platform::KernelCpuMask(*mine).applyTo(0));
    EXPECT_EQ(platform::KernelCpuMask::of(0), mine);
    // A set of CPUs the machine does not have is refused, not half applied.
    EXPECT_FALSE(platform::KernelCpuMask(CpuSet::of(4000)).applyTo(0));
    EXPECT_EQ(platform::KernelCpuMask::of(0), mine);
}
