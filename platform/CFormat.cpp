#include "platform/CFormat.h"

#include <cstdio>
#include <locale.h>
#include <vector>

namespace platform {

namespace {

locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

} // namespace

std::string vcformat(const char* format, va_list args)
{
    locale_t previous = uselocale(cLocale());
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        result.assign(buffer.data(), static_cast<size_t>(length));
    }
    uselocale(previous);
    return result;
}

std::string cformat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string result = vcformat(format, args);
    va_end(args);
    return result;
}

std::string cstrftime(const char* format, const std::tm& time)
{
    char text[256];
    const size_t length = strftime_l(text, sizeof text, format, &time, cLocale());
    return std::string(text, length);
}

} // namespace platform
