// pagolux-viewer-icon OUT.ico OUT-version.bin
//
// Writes two resources of the Windows viewer.
// - The icon file, from the viewer icon art: the 32 x 32, 4-bit image in the fixed 16-colour
//   palette, whose 512 XOR pixel bytes are exactly the bytes "iconcomp.dat" records and the
//   icon patch overwrites; and the true-colour images (16, 24, 48, 256) that the builder
//   overwrites with the user's picture, here the same art enlarged or reduced.
// - The version information, with the reserved fields the builder fills with the project's
//   name and the output's file name.

#include "format/IconImage.h"
#include "format/Palette.h"
#include "format/VersionResource.h"
#include "format/ViewerIconArt.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The 32 x 32, 4-bit image: header, palette, the packed art, an all-opaque mask.
Bytes paletteImage()
{
    constexpr std::uint32_t kXor = 512;
    constexpr std::uint32_t kAnd = 32 * 4; // 1 bit a pixel, rows padded to 4 bytes
    Bytes img;
    put32(img, 40);
    put32(img, 32);
    put32(img, 64); // the height counts the XOR and the AND bitmap
    put16(img, 1);
    put16(img, 4);
    put32(img, 0);
    put32(img, kXor + kAnd);
    put32(img, 0);
    put32(img, 0);
    put32(img, 16);
    put32(img, 0);
    for (const pagolux::PaletteColor& c : pagolux::kIconPalette) {
        img.push_back(c.blue);
        img.push_back(c.green);
        img.push_back(c.red);
        img.push_back(0);
    }
    const auto pixels = pagolux::viewer_icon::packedArt();
    img.insert(img.end(), pixels.begin(), pixels.end());
    img.insert(img.end(), kAnd, 0);
    return img;
}

// The art at another size, each pixel taken from the art pixel it falls on.
Bytes trueColourImage(int side)
{
    std::vector<std::uint32_t> argb;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const char digit = pagolux::viewer_icon::kArt[y * 32 / side][x * 32 / side];
            const pagolux::PaletteColor& c = pagolux::kIconPalette[pagolux::viewer_icon::hexValue(digit)];
            argb.push_back(0xFF000000u | std::uint32_t{c.red} << 16 | std::uint32_t{c.green} << 8 | c.blue);
        }
    return pagolux::packTrueColourIcon(side, argb);
}

struct Image {
    int side;
    int bits;
    Bytes bytes;
};

bool writeFile(const char* path, const Bytes& bytes)
{
    FILE* out = std::fopen(path, "wb");
    const bool ok = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out && std::fclose(out) != 0)
        return false;
    if (!ok)
        std::fprintf(stderr, "pagolux-viewer-icon: cannot write %s\n", path);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pagolux-viewer-icon OUT.ico OUT-version.bin\n");
        return 1;
    }
    // The 4-bit image first: it is the one a 32-pixel request finds among equals.
    std::vector<Image> images = {{32, 4, paletteImage()}};
    for (int side : pagolux::kTrueColourIconSides)
        images.push_back({side, 32, trueColourImage(side)});

    Bytes ico;
    put16(ico, 0);
    put16(ico, 1);
    put16(ico, static_cast<unsigned>(images.size()));
    std::uint32_t at = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const Image& img : images) {
        ico.push_back(static_cast<std::uint8_t>(img.side == 256 ? 0 : img.side));
        ico.push_back(static_cast<std::uint8_t>(img.side == 256 ? 0 : img.side));
        ico.push_back(img.bits == 4 ? 16 : 0);
        ico.push_back(0);
        put16(ico, 1);
        put16(ico, static_cast<unsigned>(img.bits));
        put32(ico, static_cast<std::uint32_t>(img.bytes.size()));
        put32(ico, at);
        at += static_cast<std::uint32_t>(img.bytes.size());
    }
    for (const Image& img : images)
        ico.insert(ico.end(), img.bytes.begin(), img.bytes.end());

    const pagolux::VersionTexts texts{u"Pagolux-Viewer", u"Pagolux", u"pagolux-viewer.exe",
                                      u"pagolux-viewer"};
    return writeFile(argv[1], ico) && writeFile(argv[2], pagolux::MakeVersionResource(texts)) ? 0 : 1;
}
