#include "icon/IconBitmap.h"

#include <stdexcept>
#include <string>

namespace pagolux {

namespace {

void checkPosition(int x, int y)
{
    if (x < 0 || x >= IconBitmap::Width || y < 0 || y >= IconBitmap::Height) {
        throw std::out_of_range("Icon pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                                ") lies outside the 32 x 32 icon");
    }
}

void checkIndex(std::uint8_t index)
{
    if (index >= IconBitmap::ColorCount) {
        throw std::out_of_range("Palette index " + std::to_string(index) + " is above 15");
    }
}

} // namespace

std::uint8_t IconBitmap::pixel(int x, int y) const
{
    checkPosition(x, y);
    return pixels_[static_cast<std::size_t>(y * Width + x)];
}

void IconBitmap::setPixel(int x, int y, std::uint8_t index)
{
    checkPosition(x, y);
    checkIndex(index);
    pixels_[static_cast<std::size_t>(y * Width + x)] = index;
}

void IconBitmap::fill(std::uint8_t index)
{
    checkIndex(index);
    pixels_.fill(index);
}

IconBitmap::PixelBytes IconBitmap::pixelBytes() const
{
    PixelBytes bytes{};
    for (int row = 0; row < Height; ++row) {
        const int y = Height - 1 - row; // bottom row first
        for (int pair = 0; pair < RowBytes; ++pair) {
            const auto left = pixels_[static_cast<std::size_t>(y * Width + 2 * pair)];
            const auto right = pixels_[static_cast<std::size_t>(y * Width + 2 * pair + 1)];
            bytes[static_cast<std::size_t>(row * RowBytes + pair)] =
                static_cast<std::uint8_t>((left << 4) | right);
        }
    }
    return bytes;
}

IconBitmap IconBitmap::fromPixelBytes(std::span<const std::uint8_t, PixelByteCount> bytes)
{
    IconBitmap icon;
    for (int row = 0; row < Height; ++row) {
        const int y = Height - 1 - row;
        for (int pair = 0; pair < RowBytes; ++pair) {
            const std::uint8_t b = bytes[static_cast<std::size_t>(row * RowBytes + pair)];
            icon.pixels_[static_cast<std::size_t>(y * Width + 2 * pair)] = static_cast<std::uint8_t>(b >> 4);
            icon.pixels_[static_cast<std::size_t>(y * Width + 2 * pair + 1)] =
                static_cast<std::uint8_t>(b & 0x0F);
        }
    }
    return icon;
}

std::uint8_t IconBitmap::nearestColorIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    std::uint8_t best = 0;
    int bestDistance = -1;
    for (int i = 0; i < ColorCount; ++i) {
        const PaletteColor& c = Palette[static_cast<std::size_t>(i)];
        const int dr = int(red) - int(c.red);
        const int dg = int(green) - int(c.green);
        const int db = int(blue) - int(c.blue);
        const int distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<std::uint8_t>(i);
        }
    }
    return best;
}

} // namespace pagolux
