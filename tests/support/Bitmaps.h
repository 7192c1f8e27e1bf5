#pragma once
// 24-bit bitmaps laid out as Windows stores them, for tests that make picture files and
// metafile records of their own.

#include "tests/support/Files.h"

#include <cstdint>
#include <functional>

namespace pagolux::test {

struct Rgb {
    std::uint8_t r, g, b;
};

inline constexpr std::size_t kBitmapInfoHeaderSize = 40;

// A 24-bit device-independent bitmap: the BITMAPINFOHEADER, then the rows, bottom row first,
// blue, green, red, each row padded to four bytes. pixelAt(x, y) counts from the top left.
inline Bytes dib24(int width, int height, const std::function<Rgb(int, int)>& pixelAt)
{
    Bytes d(kBitmapInfoHeaderSize, 0); // compression, image size, resolution, colours: 0
    putLE32(d, 0, static_cast<std::uint32_t>(kBitmapInfoHeaderSize));
    putLE32(d, 4, static_cast<std::uint32_t>(width));
    putLE32(d, 8, static_cast<std::uint32_t>(height));
    d[12] = 1;  // planes
    d[14] = 24; // bits per pixel
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixelAt(x, y);
            d.insert(d.end(), {c.b, c.g, c.r});
        }
        while ((d.size() - kBitmapInfoHeaderSize) % 4 != 0)
            d.push_back(0);
    }
    return d;
}

// The same bitmap as a .bmp file: the 14-byte file header in front.
inline Bytes bmp24File(int width, int height, const std::function<Rgb(int, int)>& pixelAt)
{
    const Bytes dib = dib24(width, height, pixelAt);
    Bytes file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    putLE32(file, 2, static_cast<std::uint32_t>(file.size() + dib.size()));
    putLE32(file, 10, static_cast<std::uint32_t>(file.size() + kBitmapInfoHeaderSize));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

} // namespace pagolux::test
