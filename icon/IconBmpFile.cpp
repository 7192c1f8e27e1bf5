#include "icon/IconBmpFile.h"

#include "icon/IconError.h"
#include "platform/AtomicFile.h"

#include <array>
#include <cstdio>

namespace pagolux {

namespace {

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
    }
}

std::uint16_t getU16(std::span<const std::uint8_t> d, std::size_t at)
{
    return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}

std::uint32_t getU32(std::span<const std::uint8_t> d, std::size_t at)
{
    return static_cast<std::uint32_t>(d[at]) | (static_cast<std::uint32_t>(d[at + 1]) << 8) |
           (static_cast<std::uint32_t>(d[at + 2]) << 16) | (static_cast<std::uint32_t>(d[at + 3]) << 24);
}

std::int32_t getI32(std::span<const std::uint8_t> d, std::size_t at)
{
    return static_cast<std::int32_t>(getU32(d, at));
}

[[noreturn]] void fail(const std::string& why)
{
    throw EIconFileError("Die Icon-Datei ist keine 32 x 32 Bitmap mit 16 Farben: " + why);
}

// Largest information header we know (the fifth version of the bitmap header).
constexpr std::uint32_t MaxInfoHeaderSize = 124;

} // namespace

std::vector<std::uint8_t> IconBmpFile::encode(const IconBitmap& icon)
{
    std::vector<std::uint8_t> out;
    out.reserve(FileSize);
    // File header.
    out.push_back('B');
    out.push_back('M');
    putU32(out, static_cast<std::uint32_t>(FileSize));
    putU16(out, 0);
    putU16(out, 0);
    putU32(out, static_cast<std::uint32_t>(PixelOffset));
    // Information header.
    putU32(out, static_cast<std::uint32_t>(InfoHeaderSize));
    putU32(out, IconBitmap::Width);
    putU32(out, IconBitmap::Height); // positive: bottom row first
    putU16(out, 1);                  // planes
    putU16(out, IconBitmap::BitsPerPixel);
    putU32(out, 0); // no compression
    putU32(out, IconBitmap::PixelByteCount);
    putU32(out, 0); // horizontal resolution: unspecified
    putU32(out, 0); // vertical resolution: unspecified
    putU32(out, IconBitmap::ColorCount);
    putU32(out, 0); // all colours important
    // Colour table.
    for (const PaletteColor& c : IconBitmap::Palette) {
        out.push_back(c.blue);
        out.push_back(c.green);
        out.push_back(c.red);
        out.push_back(0);
    }
    const IconBitmap::PixelBytes pixels = icon.pixelBytes();
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

IconBitmap IconBmpFile::decode(std::span<const std::uint8_t> data)
{
    if (data.size() < FileHeaderSize + InfoHeaderSize) {
        fail("die Datei ist zu kurz");
    }
    if (data[0] != 'B' || data[1] != 'M') {
        fail("keine Bitmap-Datei");
    }
    const std::uint32_t offBits = getU32(data, 10);
    const std::uint32_t infoSize = getU32(data, 14);
    if (infoSize < InfoHeaderSize || infoSize > MaxInfoHeaderSize) {
        fail("unbekannter Bitmap-Kopf");
    }
    if (FileHeaderSize + infoSize > data.size()) {
        fail("der Bitmap-Kopf ist abgeschnitten");
    }
    const std::int32_t width = getI32(data, 18);
    const std::int32_t height = getI32(data, 22);
    const std::uint16_t planes = getU16(data, 26);
    const std::uint16_t bitCount = getU16(data, 28);
    const std::uint32_t compression = getU32(data, 30);
    const std::uint32_t colorsUsed = getU32(data, 46);
    if (width != IconBitmap::Width || (height != IconBitmap::Height && height != -IconBitmap::Height)) {
        fail("die Größe ist nicht 32 x 32");
    }
    if (planes != 1 || bitCount != IconBitmap::BitsPerPixel) {
        fail("nicht 4 Bit pro Pixel");
    }
    if (compression != 0) {
        fail("komprimierte Bitmap");
    }
    if (colorsUsed > IconBitmap::ColorCount) {
        fail("zu viele Farben");
    }
    const std::size_t colorCount = colorsUsed == 0 ? IconBitmap::ColorCount : colorsUsed;
    const std::size_t tableAt = FileHeaderSize + infoSize;
    if (tableAt + colorCount * 4 > data.size()) {
        fail("die Farbtabelle ist abgeschnitten");
    }
    // Pixels may not start inside the headers and must lie wholly inside the data.
    if (offBits < tableAt || std::uint64_t{offBits} + IconBitmap::PixelByteCount > data.size()) {
        fail("die Bilddaten liegen außerhalb der Datei");
    }

    std::array<std::uint8_t, IconBitmap::ColorCount> toPalette{};
    for (std::size_t i = 0; i < colorCount; ++i) {
        const std::size_t at = tableAt + i * 4;
        toPalette[i] = IconBitmap::nearestColorIndex(data[at + 2], data[at + 1], data[at]);
    }

    IconBitmap icon;
    const bool bottomUp = height > 0;
    for (int row = 0; row < IconBitmap::Height; ++row) {
        const int y = bottomUp ? IconBitmap::Height - 1 - row : row;
        for (int pair = 0; pair < IconBitmap::RowBytes; ++pair) {
            const std::uint8_t b =
                data[offBits + static_cast<std::size_t>(row * IconBitmap::RowBytes + pair)];
            const std::uint8_t values[2] = {static_cast<std::uint8_t>(b >> 4),
                                            static_cast<std::uint8_t>(b & 0x0F)};
            for (int k = 0; k < 2; ++k) {
                if (values[k] >= colorCount) {
                    fail("ein Pixel verweist auf eine fehlende Farbe");
                }
                icon.setPixel(2 * pair + k, y, toPalette[values[k]]);
            }
        }
    }
    return icon;
}

void IconBmpFile::save(const IconBitmap& icon, const std::string& path)
{
    const std::vector<std::uint8_t> bytes = encode(icon);
    try {
        writeFileAtomically(path,
                            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const AtomicWriteError&) {
        throw EIconCreateError(path);
    }
}

IconBitmap IconBmpFile::load(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        throw EIconFileError("Die Icon-Datei " + path + " kann nicht geöffnet werden");
    }
    // Read at most one byte more than we accept, so an oversized file is recognised without
    // reading it whole.
    std::vector<std::uint8_t> data(MaxAcceptedFileSize + 1);
    const std::size_t got = std::fread(data.data(), 1, data.size(), file);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        throw EIconFileError("Die Icon-Datei " + path + " kann nicht gelesen werden");
    }
    if (got > MaxAcceptedFileSize) {
        fail("die Datei ist zu groß");
    }
    data.resize(got);
    return decode(data);
}

} // namespace pagolux
