#include "monitor/measure/ProcStatLoad.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace monitor;

namespace {

class ProcStatFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = std::filesystem::temp_directory_path() /
                 ("measure-stat-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { std::filesystem::remove(m_path); }

    void write(const std::string& firstLine)
    {
        std::ofstream out(m_path, std::ios::trunc);
        out << firstLine << "\ncpu0 1 2 3 4 5 6 7 8 0 0\nintr 12345\n";
    }

    std::filesystem::path m_path;
};

TEST(ProcStatParse, AggregateLine)
{
    struct Case {
        const char* line;
        bool valid;
        uint64_t busy, total;
    };
    const Case cases[] = {
        // user nice system idle iowait irq softirq steal guest guest_nice
        {"cpu  100 20 30 800 50 5 5 10 40 0", true, 170, 1020},
        {"cpu 10 0 10 80", true, 20, 100},         // older kernels: four fields
        {"cpu0 10 0 10 80 0 0 0 0", false, 0, 0},  // a single CPU's line
        {"intr 1 2 3", false, 0, 0},
        {"cpu 10 0", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        auto times = ProcStatLoad::parse(c.line);
        ASSERT_EQ(times.has_value(), c.valid) << c.line;
        if (times) {
            EXPECT_EQ(times->busy, c.busy) << c.line;
            EXPECT_EQ(times->total, c.total) << c.line;
        }
    }
}

TEST_F(ProcStatFile, LoadBetweenCollections)
{
    write("cpu  100 0 100 800 0 0 0 0 0 0");
    ProcStatLoad source(m_path.string());
    ASSERT_TRUE(source.open());

    // 300 of 400 jiffies busy; iowait counts as idle.
    write("cpu  300 0 200 850 50 0 0 0 0 0");
    auto load = source.collect();
    ASSERT_TRUE(load.has_value());
    EXPECT_NEAR(*load, 75.0, 1e-9);

    // Nothing passed: no figure.
    EXPECT_FALSE(source.collect().has_value());

    // All idle.
    write("cpu  300 0 200 1050 50 0 0 0 0 0");
    load = source.collect();
    ASSERT_TRUE(load.has_value());
    EXPECT_NEAR(*load, 0.0, 1e-9);
}

TEST_F(ProcStatFile, MissingFileIsNotUsable)
{
    ProcStatLoad source(m_path.string());
    EXPECT_FALSE(source.open());
    EXPECT_FALSE(source.collect().has_value());
    // Once the file appears the next collection only takes the start values.
    write("cpu  1 0 1 8 0 0 0 0 0 0");
    EXPECT_FALSE(source.collect().has_value());
    write("cpu  2 0 2 16 0 0 0 0 0 0");
    auto load = source.collect();
    ASSERT_TRUE(load.has_value());
    EXPECT_NEAR(*load, 20.0, 1e-9);
}

} // namespace
