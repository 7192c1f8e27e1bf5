#pragma once
// The fixed 16-colour palette of every icon: the user's "theicon.bmp", the pixels written into
// built programs and each viewer's own icon. A pixel is an index into it.

#include <array>
#include <cstdint>

namespace pagolux {

struct PaletteColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend constexpr bool operator==(const PaletteColor&, const PaletteColor&) = default;
};

inline constexpr int kPaletteSize = 16;

// Index 7 is the dark grey (128), index 8 the light grey (192), 15 white, 0 black.
inline constexpr std::array<PaletteColor, kPaletteSize> kIconPalette = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {128, 128, 128},
    {192, 192, 192},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

} // namespace pagolux
