#pragma once
// printf- and strftime-style formatting in the C locale. The Qt programs run
// in the user's locale, where "%.2f" may give "2400,00"; the texts, logs and
// settings of the suite always use a decimal point.

#include <cstdarg>
#include <ctime>
#include <string>

namespace platform {

std::string cformat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string vcformat(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// strftime with the C locale's names and date format ("%x" is "12/08/26").
std::string cstrftime(const char* format, const std::tm& time);

} // namespace platform
