#include "platform/IntegerText.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace platform {

namespace {

std::optional<uint32_t> digitValue(char c, uint32_t base)
{
    if (c >= '0' && c <= '9')
        return static_cast<uint32_t>(c - '0');
    if (base == 16 && c >= 'a' && c <= 'f')
        return static_cast<uint32_t>(c - 'a' + 10);
    if (base == 16 && c >= 'A' && c <= 'F')
        return static_cast<uint32_t>(c - 'A' + 10);
    return std::nullopt;
}

} // namespace

SignedText signedText(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    SignedText result;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    result.rest = text.substr(i);
    return result;
}

std::optional<int> leadingInteger(std::string_view text, IntegerBase base, IntegerOverflow overflow)
{
    const SignedText number = signedText(text);
    std::string_view digits = number.rest;
    uint32_t radix = 10;
    if (base == IntegerBase::DecimalOrHex && digits.size() > 2 && digits[0] == '0'
        && (digits[1] == 'x' || digits[1] == 'X') && digitValue(digits[2], 16)) {
        radix = 16;
        digits.remove_prefix(2);
    }
    // The low 32 bits for Wrap, and the magnitude held just above the int
    // range for the other two.
    constexpr uint64_t beyondInt = uint64_t(1) << 32;
    uint32_t wrapped = 0;
    uint64_t magnitude = 0;
    size_t count = 0;
    for (; count < digits.size(); ++count) {
        const std::optional<uint32_t> digit = digitValue(digits[count], radix);
        if (!digit)
            break;
        wrapped = wrapped * radix + *digit;
        magnitude = std::min(magnitude * radix + *digit, beyondInt);
    }
    if (count == 0)
        return std::nullopt;
    if (overflow == IntegerOverflow::Wrap)
        return static_cast<int>(number.negative ? 0u - wrapped : wrapped); // modular in C++20
    const uint64_t limit = number.negative ? uint64_t(INT_MAX) + 1 : uint64_t(INT_MAX);
    if (magnitude > limit) {
        if (overflow == IntegerOverflow::Refuse)
            return std::nullopt;
        return number.negative ? INT_MIN : INT_MAX;
    }
    const auto value = static_cast<long long>(magnitude);
    return static_cast<int>(number.negative ? -value : value);
}

} // namespace platform
