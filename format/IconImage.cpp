#include "format/IconImage.h"

namespace pagolux {
namespace {

void put16(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

std::uint32_t get32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

} // namespace

std::vector<std::uint8_t> packTrueColourIcon(int side, const std::vector<std::uint32_t>& argb)
{
    const auto s = static_cast<std::uint32_t>(side);
    std::vector<std::uint8_t> out;
    out.reserve(trueColourIconBytes(side));
    // BITMAPINFOHEADER; the height counts the colour and the mask bitmap.
    put32(out, 40);
    put32(out, s);
    put32(out, 2 * s);
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, trueColourIconBytes(side) - 40);
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    for (std::uint32_t row = 0; row < s; ++row) {
        const std::size_t from = static_cast<std::size_t>(s - 1 - row) * s;
        for (std::uint32_t x = 0; x < s; ++x)
            put32(out, argb[from + x]); // little-endian 0xAARRGGBB is B, G, R, A
    }
    const std::uint32_t maskRow = (s + 31) / 32 * 4;
    for (std::uint32_t row = 0; row < s; ++row) {
        const std::size_t from = static_cast<std::size_t>(s - 1 - row) * s;
        std::vector<std::uint8_t> bits(maskRow, 0);
        for (std::uint32_t x = 0; x < s; ++x)
            if ((argb[from + x] >> 24) == 0)
                bits[x / 8] = static_cast<std::uint8_t>(bits[x / 8] | 0x80 >> (x % 8));
        out.insert(out.end(), bits.begin(), bits.end());
    }
    return out;
}

std::vector<std::uint32_t> unpackTrueColourIcon(int side, const std::vector<std::uint8_t>& bytes)
{
    const auto s = static_cast<std::uint32_t>(side);
    if (bytes.size() != trueColourIconBytes(side) || get32(bytes, 0) != 40 || get32(bytes, 4) != s ||
        get32(bytes, 8) != 2 * s || bytes[14] != 32)
        return {};
    std::vector<std::uint32_t> argb(static_cast<std::size_t>(s) * s);
    for (std::uint32_t row = 0; row < s; ++row)
        for (std::uint32_t x = 0; x < s; ++x)
            argb[static_cast<std::size_t>(s - 1 - row) * s + x] = get32(bytes, 40 + 4 * (row * s + x));
    return argb;
}

} // namespace pagolux
