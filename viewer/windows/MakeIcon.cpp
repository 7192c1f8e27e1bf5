// pagolux-viewer-icon OUT.ico
//
// Writes the Windows viewer's icon file from the viewer icon art: one 32 x 32 image, 4 bits a
// pixel, in the fixed 16-colour palette. The resource compiler turns it into the viewer's icon
// resource, whose 512 XOR pixel bytes are then exactly the bytes "iconcomp.dat" records and the
// builder overwrites.

#include "format/Palette.h"
#include "format/ViewerIconArt.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void put16(std::vector<std::uint8_t>& b, unsigned v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pagolux-viewer-icon OUT.ico\n");
        return 1;
    }
    constexpr std::uint32_t kHeader = 40;
    constexpr std::uint32_t kPalette = 16 * 4;
    constexpr std::uint32_t kXor = 512;
    constexpr std::uint32_t kAnd = 32 * 4; // 1 bit a pixel, rows padded to 4 bytes
    constexpr std::uint32_t kImage = kHeader + kPalette + kXor + kAnd;

    std::vector<std::uint8_t> ico;
    // ICONDIR and its one entry.
    put16(ico, 0);
    put16(ico, 1);
    put16(ico, 1);
    ico.push_back(32);
    ico.push_back(32);
    ico.push_back(16);
    ico.push_back(0);
    put16(ico, 1);
    put16(ico, 4);
    put32(ico, kImage);
    put32(ico, 6 + 16);
    // BITMAPINFOHEADER: the height counts the XOR and the AND bitmap.
    put32(ico, kHeader);
    put32(ico, 32);
    put32(ico, 64);
    put16(ico, 1);
    put16(ico, 4);
    put32(ico, 0);
    put32(ico, kXor + kAnd);
    put32(ico, 0);
    put32(ico, 0);
    put32(ico, 16);
    put32(ico, 0);
    for (const pagolux::PaletteColor& c : pagolux::kIconPalette) {
        ico.push_back(c.blue);
        ico.push_back(c.green);
        ico.push_back(c.red);
        ico.push_back(0);
    }
    const auto pixels = pagolux::viewer_icon::packedArt();
    ico.insert(ico.end(), pixels.begin(), pixels.end());
    ico.insert(ico.end(), kAnd, 0); // every pixel opaque

    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(ico.data(), 1, ico.size(), out) != ico.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "pagolux-viewer-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
