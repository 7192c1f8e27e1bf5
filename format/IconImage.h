#pragma once
// The true-colour icon images a Windows program carries besides the 32 x 32, 16-colour one
// that the icon patch writes: one per side in kTrueColourIconSides, each an icon resource of a
// fixed size (BITMAPINFOHEADER, 32-bit BGRA pixels bottom row first, then the 1-bit mask), so
// that the builder can write a new picture over the viewer's in place. Plain C++.

#include <array>
#include <cstdint>
#include <vector>

namespace pagolux {

inline constexpr std::array<int, 4> kTrueColourIconSides = {16, 24, 48, 256};

// Bytes of the icon resource for a square image of side pixels.
[[nodiscard]] constexpr std::uint32_t trueColourIconBytes(int side)
{
    const auto s = static_cast<std::uint32_t>(side);
    const std::uint32_t maskRow = (s + 31) / 32 * 4;
    return 40 + s * s * 4 + maskRow * s;
}

// The icon resource of a square picture; argb holds side * side pixels 0xAARRGGBB, top row
// first. The mask marks fully transparent pixels.
[[nodiscard]] std::vector<std::uint8_t> packTrueColourIcon(int side, const std::vector<std::uint32_t>& argb);

// The pixels of such a resource back as 0xAARRGGBB, top row first; empty when the bytes are
// not a true-colour icon of that side.
[[nodiscard]] std::vector<std::uint32_t> unpackTrueColourIcon(int side,
                                                              const std::vector<std::uint8_t>& bytes);

} // namespace pagolux
