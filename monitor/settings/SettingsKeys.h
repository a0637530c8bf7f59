#pragma once
// Names of the keys numbered by core slot or icon.

#include <string>
#include <string_view>

namespace monitor {

// "TjMax" and 2 give "TjMax2".
inline std::string indexedKey(std::string_view stem, int index)
{
    return std::string(stem) + std::to_string(index);
}

} // namespace monitor
