#pragma once
// The viewer's own icon, drawn as 32 rows of 32 palette indices (hex digits, top row first),
// and the packing into the 512 pixel bytes of a 4-bit bottom-up bitmap. The viewer keeps the
// packed bytes in its data, where the builder overwrites them with the user's icon; the
// build-time tool packs the same art to find those bytes in the viewer binary.

#include "format/ExeLayout.h"

#include <array>
#include <cstdint>

namespace pagolux::viewer_icon {

inline constexpr int kSide = 32;
inline constexpr int kPixelBytes = static_cast<int>(kIconPatternSize);

// A page with a folded corner and a blue "P": distinctive enough that its packed bytes occur
// nowhere else in the viewer binary (the build checks that).
// clang-format off
inline constexpr const char* kArt[kSide] = {
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
    "FFFFF0000000000000000FFFFFFFFFFF",
    "FFFFF0FFFFFFFFFFFFFF08FFFFFFFFFF",
    "FFFFF0FFFFFFFFFFFFFF088FFFFFFFFF",
    "FFFFF0FFFFFFFFFFFFFF0888FFFFFFFF",
    "FFFFF0FFFCCCCCCCCCFF08888FFFFFFF",
    "FFFFF0FFFCCCCCCCCCCF088888FFFFFF",
    "FFFFF0FFFCCCFFFFFCCF0000000FFFFF",
    "FFFFF0FFFCCCFFFFFCCFFFFFFF0FFFFF",
    "FFFFF0FFFCCCFFFFFCCFFFFFFF0FFFFF",
    "FFFFF0FFFCCCFFFFFCCFFFFFFF0FFFFF",
    "FFFFF0FFFCCCFFFFFCCFFFFFFF0FFFFF",
    "FFFFF0FFFCCCCCCCCCCFFFFFFF0FFFFF",
    "FFFFF0FFFCCCCCCCCCFFFFFFFF0FFFFF",
    "FFFFF0FFFCCCFFFFFFFFFFFFFF0FFFFF",
    "FFFFF0FFFCCCFFFFFFFFFFFFFF0FFFFF",
    "FFFFF0FFFCCCFFFFFFFF999FFF0FFFFF",
    "FFFFF0FFFCCCFFFFFFFF999FFF0FFFFF",
    "FFFFF0FFFCCCFFFFFFFF999FFF0FFFFF",
    "FFFFF0FFFCCCFF22222FFFFFFF0FFFFF",
    "FFFFF0FFFFFFFFFFFFFFFFFFFF0FFFFF",
    "FFFFF0FFFFFFFFFFFFFFFFFFFF0FFFFF",
    "FFFFF0FF7777777777777777FF0FFFFF",
    "FFFFF0FFFFFFFFFFFFFFFFFFFF0FFFFF",
    "FFFFF0FFFFFFFFFFFFFFFFFFFF0FFFFF",
    "FFFFF0FF7777777777777777FF0FFFFF",
    "FFFFF0FFFFFFFFFFFFFFFFFFFF0FFFFF",
    "FFFFF0FFFFFFFFFFFFFFFFFFFF0FFFFF",
    "FFFFF0FF7777777777FFFFFFFF0FFFFF",
    "FFFFF0FFFFFFFFFFFFFFFFFFFF0FFFFF",
    "FFFFF0000000000000000000000FFFFF",
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF",
};
// clang-format on

constexpr std::uint8_t hexValue(char c)
{
    return static_cast<std::uint8_t>(c >= 'A' ? c - 'A' + 10 : c - '0');
}

// Bottom row first, 16 bytes a row, the left pixel of a pair in the high four bits.
constexpr std::array<std::uint8_t, kPixelBytes> packedArt()
{
    std::array<std::uint8_t, kPixelBytes> out{};
    for (int row = 0; row < kSide; ++row) {
        const char* line = kArt[kSide - 1 - row];
        for (int col = 0; col < kSide / 2; ++col)
            out[row * 16 + col] =
                static_cast<std::uint8_t>(hexValue(line[2 * col]) << 4 | hexValue(line[2 * col + 1]));
    }
    return out;
}

} // namespace pagolux::viewer_icon
