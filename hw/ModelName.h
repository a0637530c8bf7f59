#pragma once
// The short model name taken from the processor brand string, and the display
// name built from it.

#include "hw/BuildFlavour.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace hw {

// The rightmost model token of a brand string: three or four digits with the
// letters before them, plus the character after it when that is not a blank
// ("Q9550" followed by 'S' gives "Q9550S"). Empty when there is none.
std::string scanModelToken(std::string_view brand);

// The model of a processor after Sandy Bridge, whose brand strings name it in
// several words: "i9-13900K", "Ultra 7 155H", "Xeon 4514Y", "Xeon w9-3475X".
// Empty when the brand string names none.
std::string laterModelName(std::string_view brand);

// The token with the renamings and prefixes that depend on the signature and
// the brand string; "-----" when nothing was found.
std::string modelNameFor(std::string_view brand, uint32_t signature);

// The name shown in the main window: the model name with the "Xeon ", "Quad "
// and "Atom " prefixes, and "Intel " in front in the six-core build.
std::string displayNameFor(std::string_view modelName, std::string_view brand, uint32_t signature,
                           const BuildFlavour& flavour);

} // namespace hw
