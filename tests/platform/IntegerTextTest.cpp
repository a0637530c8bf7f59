#include "platform/IntegerText.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

using namespace platform;

namespace {

// The settings file's reading (DecimalOrHex, Wrap) has its own table in
// IniDocumentTest; these are the other choices the readers make.
TEST(IntegerText, BaseAndOverflowChoices)
{
    struct Case {
        const char* text;
        IntegerBase base;
        IntegerOverflow overflow;
        std::optional<int> expected;
    };
    using enum IntegerBase;
    using enum IntegerOverflow;
    const Case cases[] = {
        {" \t-12x", Decimal, Refuse, -12},
        {"+7", Decimal, Saturate, 7},
        {"", Decimal, Saturate, std::nullopt},
        {"-", DecimalOrHex, Wrap, std::nullopt},
        {"+-5", Decimal, Saturate, std::nullopt},
        {"\n5", Decimal, Saturate, std::nullopt}, // blanks are spaces and tabs only
        {"0x1F", Decimal, Saturate, 0},
        {"0x1F", DecimalOrHex, Saturate, 31},
        {"0x", DecimalOrHex, Wrap, 0}, // the "0" before an 'x' without hexadecimal digits
        {"0xG", DecimalOrHex, Refuse, 0},
        {"2147483647", Decimal, Refuse, INT_MAX},
        {"2147483648", Decimal, Refuse, std::nullopt},
        {"-2147483648", Decimal, Refuse, INT_MIN},
        {"-2147483649", Decimal, Refuse, std::nullopt},
        {"2147483648", Decimal, Saturate, INT_MAX},
        {"-99999999999999999999", Decimal, Saturate, INT_MIN},
        {"0x80000000", DecimalOrHex, Saturate, INT_MAX},
        {"4294967297", Decimal, Wrap, 1},
        {"99999999999999999999", Decimal, Saturate, INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(leadingInteger(c.text, c.base, c.overflow), c.expected)
            << '"' << c.text << "\" " << static_cast<int>(c.base) << ' ' << static_cast<int>(c.overflow);
}

} // namespace
