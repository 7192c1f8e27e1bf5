#pragma once
// "theicon.bmp": the icon saved as a standard bitmap file. Layout of what we write:
//   file header (14 bytes: "BM", file size, two reserved words, offset of the pixels),
//   information header (40 bytes: 32 x 32, one plane, 4 bits, no compression),
//   colour table (16 entries blue, green, red, 0: the icon palette),
//   pixel data (32 rows of 16 bytes, bottom row first).

#include "icon/IconBitmap.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pagolux {

class IconBmpFile {
  public:
    static constexpr std::size_t FileHeaderSize = 14;
    static constexpr std::size_t InfoHeaderSize = 40;
    static constexpr std::size_t ColorTableSize = 16 * 4;
    static constexpr std::size_t PixelOffset = FileHeaderSize + InfoHeaderSize + ColorTableSize;
    static constexpr std::size_t FileSize = PixelOffset + IconBitmap::PixelByteCount;
    // A bitmap file larger than this cannot hold a 32 x 32 4-bit icon with any header
    // variant we accept; such a file is refused without being read whole.
    static constexpr std::size_t MaxAcceptedFileSize = 64 * 1024;

    // The complete file image of an icon (FileSize bytes).
    [[nodiscard]] static std::vector<std::uint8_t> encode(const IconBitmap& icon);

    // Reads a bitmap file image. Accepts a 32 x 32 bitmap with 4 bits per pixel, no
    // compression, bottom-up or top-down, a 40-byte or larger information header and a colour
    // table of up to 16 entries; each table colour is taken to its nearest palette index, so a
    // file with our own palette reads back unchanged. Every size, count and offset is checked
    // against the data. Throws EIconFileError for anything else.
    [[nodiscard]] static IconBitmap decode(std::span<const std::uint8_t> data);

    // Writes the icon to a temporary file in the target's folder and renames it over the
    // target, so a failed write never leaves a broken file. The folder must exist. An existing
    // file keeps its permissions; a symbolic link keeps pointing at the icon.
    // Throws EIconCreateError when the file cannot be written.
    static void save(const IconBitmap& icon, const std::string& path);

    // Reads and decodes the file. Throws EIconFileError when it cannot be opened or read, is
    // larger than MaxAcceptedFileSize, or does not decode.
    [[nodiscard]] static IconBitmap load(const std::string& path);
};

} // namespace pagolux
