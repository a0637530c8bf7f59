#pragma once
// printf-style formatting that always uses the C locale for numbers, so a
// log written under a locale with a decimal comma still has "2400.00".

#include <string>

namespace monitor {

std::string cformat(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace monitor
