#pragma once
// The one reading of a whole number at the start of a text, shared by the
// settings file, the entry fields and the kernel's CPU lists. Every reader
// takes the same start: spaces and tabs, then one optional '+' or '-'. What
// differs between them is whether "0x" introduces hexadecimal digits and what
// a number beyond int becomes.

#include <optional>
#include <string_view>

namespace platform {

enum class IntegerBase {
    Decimal,      // "0x10" reads 0: the 'x' ends the number
    DecimalOrHex, // "0x"/"0X" followed by a hexadecimal digit starts one
};

enum class IntegerOverflow {
    Wrap,     // digits accumulate in 32 bits and wrap, a '-' negates the
              // wrapped value (4294967297 reads 1, 0xFFFFFFFF reads -1)
    Saturate, // the nearest end of the int range
    Refuse,   // no number
};

// A number text after its leading blanks, with its sign taken off.
struct SignedText {
    bool negative = false;
    std::string_view rest;
};
SignedText signedText(std::string_view text);

// The integer at the start of `text`, up to the first character that is no
// digit; nothing when no digit follows the sign, or when the number lies
// outside int and `overflow` is Refuse.
std::optional<int> leadingInteger(std::string_view text, IntegerBase base, IntegerOverflow overflow);

} // namespace platform
