#pragma once
// Turns a decoded picture into the 32 x 32, 16-colour icon.
//
// The picture is first drawn at its own size onto a white working bitmap with the icon
// palette (each pixel takes the nearest palette colour, no dithering; transparent parts show
// the white). That bitmap is then stretched without smoothing so that it covers the 32 x 32
// square, centred, and what overhangs is cut off.

#include "icon/IconBitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pagolux {

// A read-only view of decoded pixels: 0xAARRGGBB, not premultiplied, row 0 at the top.
struct PictureView {
    int width = 0;
    int height = 0;
    const std::uint32_t* pixels = nullptr;
    std::size_t stride = 0; // pixels from the start of one row to the next, >= width
};

// Decoded pixels that own their storage; the standard icon and tests use it.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // width * height, row 0 at the top

    [[nodiscard]] PictureView view() const
    {
        return {width, height, pixels.data(), static_cast<std::size_t>(width)};
    }
};

// Scaled size and offsets of the stretched picture relative to the 32 x 32 square.
struct IconPlacement {
    long long w = 0;
    long long h = 0;
    long long left = 0;
    long long top = 0;
    friend bool operator==(const IconPlacement&, const IconPlacement&) = default;
};

// w = 32, h = H * 32 / W; if h < 32 then h = 32, w = W * 32 / H (integer divisions);
// left = (32 - w) / 2, top = (32 - h) / 2, rounded toward zero. Width and height must be > 0.
[[nodiscard]] IconPlacement iconPlacement(int width, int height);

// The palette index a picture pixel takes on the white working bitmap: partly transparent
// pixels are blended over white first, fully transparent ones are white.
[[nodiscard]] std::uint8_t workingBitmapIndex(std::uint32_t argb);

// The icon the picture becomes. Throws EPictureError when the width or height is 0 or
// negative, or the view does not describe its pixels consistently.
[[nodiscard]] IconBitmap renderIconPixels(const PictureView& picture);

// Renders the picture into iconBmp and saves iconBmp to iconFile (atomically).
// When the picture cannot be rendered, iconBmp and the file stay as they were (EPictureError).
// When only the save fails, iconBmp already holds the new icon and EIconCreateError is thrown.
void RenderIcon(IconBitmap& iconBmp, const PictureView& picture, const std::string& iconFile);

} // namespace pagolux
