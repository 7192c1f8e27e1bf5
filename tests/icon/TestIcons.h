#pragma once
// Icons for the tests: every pixel's palette index a function of its place.

#include "icon/IconBitmap.h"

#include <cstdint>

namespace pagolux::test {

// The icon whose pixel (x, y) has the palette index indexAt(x, y).
template <class IndexAt> IconBitmap iconOf(IndexAt indexAt)
{
    IconBitmap icon;
    for (int y = 0; y < IconBitmap::Height; ++y)
        for (int x = 0; x < IconBitmap::Width; ++x)
            icon.setPixel(x, y, static_cast<std::uint8_t>(indexAt(x, y)));
    return icon;
}

// Sixteen stripes of two rows each, one per palette colour from the top.
inline IconBitmap stripes()
{
    return iconOf([](int, int y) { return y / 2; });
}

} // namespace pagolux::test
