#pragma once
// The executable's icon: 32 x 32 pixels, 4 bits per pixel, over a fixed 16-colour palette.
// A pixel is an index into that palette. The same 512 pixel bytes appear in "theicon.bmp"
// and are written over the viewer's own icon pixels in every built program.

#include "format/Palette.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace pagolux {

class IconBitmap {
  public:
    static constexpr int Width = 32;
    static constexpr int Height = 32;
    static constexpr int BitsPerPixel = 4;
    static constexpr int ColorCount = 16;
    // One row of 32 pixels at two pixels per byte.
    static constexpr int RowBytes = Width * BitsPerPixel / 8;
    static constexpr int PixelByteCount = RowBytes * Height;
    static constexpr std::uint8_t White = 15;
    static constexpr std::uint8_t Black = 0;

    // The fixed palette. Index 7 is the dark grey (128), index 8 the light grey (192).
    static constexpr const std::array<PaletteColor, ColorCount>& Palette = kIconPalette;

    using PixelBytes = std::array<std::uint8_t, PixelByteCount>;

    // A new bitmap has every pixel at index 0 (black), as a freshly made device-independent
    // bitmap has.
    IconBitmap() = default;

    // Palette index of the pixel at column x, row y (row 0 is the top row).
    // Throws std::out_of_range when (x, y) lies outside the 32 x 32 square.
    [[nodiscard]] std::uint8_t pixel(int x, int y) const;
    // Sets the pixel at (x, y) to a palette index. Throws std::out_of_range for a position
    // outside the square or an index above 15.
    void setPixel(int x, int y, std::uint8_t index);
    // Sets every pixel to one palette index (throws std::out_of_range above 15).
    void fill(std::uint8_t index);

    // The pixels as a 4-bit bitmap stores them: bottom row first, 16 bytes a row, the left
    // pixel of each pair in the high four bits.
    [[nodiscard]] PixelBytes pixelBytes() const;
    // The inverse of pixelBytes(). Every byte value is valid.
    [[nodiscard]] static IconBitmap fromPixelBytes(std::span<const std::uint8_t, PixelByteCount> bytes);

    // The palette index nearest to a colour: smallest squared distance in red, green and blue,
    // the lower index on a tie. No dithering is ever applied on top of this.
    [[nodiscard]] static std::uint8_t nearestColorIndex(std::uint8_t red, std::uint8_t green,
                                                        std::uint8_t blue);

    friend bool operator==(const IconBitmap&, const IconBitmap&) = default;

  private:
    // Top row first, one byte per pixel, each 0..15.
    std::array<std::uint8_t, Width * Height> pixels_{};
};

} // namespace pagolux
