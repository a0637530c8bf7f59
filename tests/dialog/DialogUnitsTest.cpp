#include "dialog/DialogFont.h"
#include "dialog/DialogUnits.h"

#include <gtest/gtest.h>

using dialog::DialogFont;
using dialog::DialogUnits;

struct MulDivCase {
    int a, b, c, expected;
};

class MulDivTest : public ::testing::TestWithParam<MulDivCase> {};

TEST_P(MulDivTest, RoundsHalfAwayFromZero)
{
    const MulDivCase& t = GetParam();
    EXPECT_EQ(DialogUnits::mulDiv(t.a, t.b, t.c), t.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, MulDivTest,
                         ::testing::Values(MulDivCase{3, 6, 4, 5},     // 4.5 up
                                           MulDivCase{5, 13, 8, 8},    // 8.125 down
                                           MulDivCase{4, 13, 8, 7},    // 6.5 up
                                           MulDivCase{-3, 6, 4, -5},   // -4.5 away from zero
                                           MulDivCase{3, -6, 4, -5},
                                           MulDivCase{0, 6, 4, 0},
                                           MulDivCase{1, 1, 0, -1})); // division by zero fails

struct ConversionCase {
    int baseX, baseY;
    int x, y, w, h;
    QRect expected;
};

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, ConvertsLikeATemplate)
{
    const ConversionCase& t = GetParam();
    EXPECT_EQ(DialogUnits(t.baseX, t.baseY).toPixels(t.x, t.y, t.w, t.h), t.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConversionTest,
    ::testing::Values(
        // Tahoma 8 at 96 dpi: 6 x 13.
        ConversionCase{6, 13, 4, 0, 200, 39, QRect(6, 0, 300, 63)},
        ConversionCase{6, 13, 9, 53, 42, 15, QRect(14, 86, 63, 24)},
        ConversionCase{6, 13, 155, 216, 48, 14, QRect(233, 351, 72, 23)},
        // Tahoma 10: 7 x 16.
        ConversionCase{7, 16, 147, 103, 0, 0, QRect(257, 206, 0, 0)},
        ConversionCase{7, 16, 3, 5, 1, 1, QRect(5, 10, 2, 2)}));

TEST(DialogFontTest, PointsBecomePixelsAsOnWindows)
{
    EXPECT_EQ(DialogFont::pixelHeight(8, 96), 11);  // 10.67
    EXPECT_EQ(DialogFont::pixelHeight(10, 96), 13); // 13.33
    EXPECT_EQ(DialogFont::pixelHeight(8, 120), 13); // 13.33
    EXPECT_EQ(DialogFont::pixelHeight(9, 96), 12);
}

TEST(DialogFontTest, TahomaGivesTheWindowsBaseUnits)
{
    if (DialogFont::family() != QLatin1String("Tahoma") || DialogFont::logicalDpi() != 96)
        GTEST_SKIP() << "needs fontconfig's Tahoma at 96 dpi; have " << DialogFont::family().toStdString();
    const DialogUnits eight(DialogFont::font(8));
    EXPECT_EQ(eight.baseX(), 6);
    EXPECT_EQ(eight.baseY(), 13);
    const DialogUnits ten(DialogFont::font(10));
    EXPECT_EQ(ten.baseX(), 7);
    EXPECT_EQ(ten.baseY(), 16);
}

TEST(DialogFontTest, FallbackFontStillGivesSensibleUnits)
{
    QFont dejaVu(QStringLiteral("DejaVu Sans"));
    dejaVu.setPixelSize(11);
    const DialogUnits units(dejaVu);
    EXPECT_GE(units.baseX(), 5);
    EXPECT_LE(units.baseX(), 8);
    EXPECT_GE(units.baseY(), 12);
    EXPECT_LE(units.baseY(), 15);
}
