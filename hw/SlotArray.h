#pragma once
// One value per core slot. Compared with a shorter array it compares the
// slots that array covers, as the tables of the four- and six-core builds,
// which fill eight slots, are written.

#include "hw/BuildFlavour.h"

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>

namespace hw {

template <typename T>
struct SlotArray : std::array<T, MaxCoreSlots> {
    // From a plain array of every slot (a template, so that a braced list
    // still initialises a SlotArray).
    template <typename Values>
        requires std::same_as<Values, std::array<T, MaxCoreSlots>>
    SlotArray& operator=(const Values& values)
    {
        std::array<T, MaxCoreSlots>::operator=(values);
        return *this;
    }

    bool operator==(const SlotArray&) const = default;

    template <std::size_t N>
        requires(N < MaxCoreSlots)
    friend bool operator==(const SlotArray& every, const std::array<T, N>& first)
    {
        return std::equal(first.begin(), first.end(), every.begin());
    }
};

// One value in every core slot.
template <typename T>
constexpr SlotArray<T> everySlot(T value)
{
    SlotArray<T> values{};
    values.fill(value);
    return values;
}

} // namespace hw
