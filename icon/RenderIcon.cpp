#include "icon/RenderIcon.h"

#include "icon/IconBmpFile.h"
#include "icon/IconError.h"

#include <algorithm>

namespace pagolux {

namespace {

constexpr long long Side = 32;

} // namespace

IconPlacement iconPlacement(int width, int height)
{
    if (width <= 0 || height <= 0) {
        throw EPictureError("Das Bild hat keine Größe (" + std::to_string(width) + " x " +
                            std::to_string(height) + " Pixel) und kann kein Icon werden");
    }
    IconPlacement p;
    p.w = Side;
    p.h = static_cast<long long>(height) * Side / width;
    if (p.h < Side) {
        p.h = Side;
        p.w = static_cast<long long>(width) * Side / height;
    }
    // C++ integer division truncates toward zero: (32 - 45) / 2 == -6.
    p.left = (Side - p.w) / 2;
    p.top = (Side - p.h) / 2;
    return p;
}

std::uint8_t workingBitmapIndex(std::uint32_t argb)
{
    const unsigned alpha = (argb >> 24) & 0xFF;
    unsigned red = (argb >> 16) & 0xFF;
    unsigned green = (argb >> 8) & 0xFF;
    unsigned blue = argb & 0xFF;
    if (alpha == 0) {
        return IconBitmap::White;
    }
    if (alpha < 255) {
        const auto overWhite = [alpha](unsigned c) { return (c * alpha + 255 * (255 - alpha) + 127) / 255; };
        red = overWhite(red);
        green = overWhite(green);
        blue = overWhite(blue);
    }
    return IconBitmap::nearestColorIndex(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                                         static_cast<std::uint8_t>(blue));
}

IconBitmap renderIconPixels(const PictureView& picture)
{
    const IconPlacement p = iconPlacement(picture.width, picture.height);
    if (picture.pixels == nullptr || picture.stride < static_cast<std::size_t>(picture.width)) {
        throw EPictureError("Die Bilddaten sind unvollständig");
    }
    const long long W = picture.width;
    const long long H = picture.height;
    IconBitmap icon;
    // Each target pixel takes the source pixel under its centre: the target rectangle runs
    // from (left, top) over w x h and covers the whole W x H working bitmap. Only those source
    // pixels are reduced to the palette; the result equals reducing the whole working bitmap
    // first, without holding a second copy of a large picture.
    for (int y = 0; y < IconBitmap::Height; ++y) {
        const long long sy = std::clamp((2 * (y - p.top) + 1) * H / (2 * p.h), 0LL, H - 1);
        const std::uint32_t* row = picture.pixels + static_cast<std::size_t>(sy) * picture.stride;
        for (int x = 0; x < IconBitmap::Width; ++x) {
            const long long sx = std::clamp((2 * (x - p.left) + 1) * W / (2 * p.w), 0LL, W - 1);
            icon.setPixel(x, y, workingBitmapIndex(row[sx]));
        }
    }
    return icon;
}

void RenderIcon(IconBitmap& iconBmp, const PictureView& picture, const std::string& iconFile)
{
    iconBmp = renderIconPixels(picture);
    IconBmpFile::save(iconBmp, iconFile);
}

} // namespace pagolux
