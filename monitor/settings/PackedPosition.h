#pragma once
// Window positions as the keys WindowXY and AnchorXY hold them: x + 8192 in
// the low 16 bits and y + 8192 in the high 16 bits of one 32-bit integer, so
// that positions left of or above the primary monitor can be stored. The
// value 0 means "none" and decodes to (-8192, -8192).

#include <cstdint>

namespace monitor {

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

constexpr int PositionOffset = 8192;

constexpr int packPosition(ScreenPoint point)
{
    const uint32_t low = static_cast<uint32_t>(point.x + PositionOffset) & 0xFFFFu;
    const uint32_t high = static_cast<uint32_t>(point.y + PositionOffset) & 0xFFFFu;
    return static_cast<int>((high << 16) | low);
}

constexpr ScreenPoint unpackPosition(int value)
{
    const uint32_t bits = static_cast<uint32_t>(value);
    return {static_cast<int>(bits & 0xFFFFu) - PositionOffset,
            static_cast<int>(bits >> 16) - PositionOffset};
}

} // namespace monitor
