#include "picture/MetafileBitmap.h"

#include "picture/MetafileCanvas.h"

#include <QByteArray>

#include <algorithm>
#include <cstdlib>

namespace pagolux::metafile {

QImage decodeDib(const Bytes& info, const Bytes& bits, const MetafileLimits& limits)
{
    const std::uint32_t headerSize = info.u32(0);
    long long width = 0;
    long long height = 0;
    unsigned bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    unsigned entrySize = 4;
    if (headerSize == 12) {
        width = info.u16(4);
        height = info.u16(6);
        bitCount = info.u16(10);
        entrySize = 3;
    } else if (headerSize >= 40 && headerSize <= info.size()) {
        width = info.s32(4);
        height = info.s32(8);
        bitCount = info.u16(14);
        compression = info.u32(16);
        colorsUsed = info.u32(32);
    } else {
        throw Damage{"der Kopf einer Bitmap ist beschädigt"};
    }
    const long long rows = std::abs(height);
    if (width <= 0 || rows == 0) {
        throw Damage{"eine Bitmap hat keine Größe"};
    }
    if (width > limits.maxSide || rows > limits.maxSide || width * rows > limits.maxBitmapPixels) {
        throw Damage{"eine Bitmap ist zu groß"};
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32) {
        throw Damage{"eine Bitmap hat eine unbekannte Farbtiefe"};
    }
    const bool rle = (compression == 1 && bitCount == 8) || (compression == 2 && bitCount == 4);
    const bool fields = compression == 3 && (bitCount == 16 || bitCount == 32);
    if (compression != 0 && !rle && !fields) {
        throw Unsupported{hexName("Bitmap-Kompression", compression)};
    }
    long long entries = colorsUsed;
    if (bitCount <= 8) {
        const long long most = 1LL << bitCount;
        if (entries > most) {
            throw Damage{"eine Bitmap hat zu viele Farben"};
        }
        if (entries == 0) {
            entries = most;
        }
    }
    const long long masks = fields && headerSize == 40 ? 12 : 0;
    const long long tableEnd = headerSize + masks + entries * entrySize;
    if (tableEnd > static_cast<long long>(info.size())) {
        throw Damage{"die Farbtabelle einer Bitmap ist abgeschnitten"};
    }
    const long long bytes = static_cast<long long>(bits.size());
    if (rle) {
        // A run codes at most 255 pixels in two bytes and a jump at most 255 rows in four.
        if (width * rows > 16384 * bytes + 65536) {
            throw Damage{"die Bildpunkte einer Bitmap sind abgeschnitten"};
        }
    } else if ((width * bitCount + 31) / 32 * 4 * rows > bytes) {
        throw Damage{"die Bildpunkte einer Bitmap sind abgeschnitten"};
    }
    QByteArray file;
    file.reserve(static_cast<qsizetype>(14 + tableEnd + bytes));
    const auto put32 = [&file](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            file.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    };
    file.append("BM", 2);
    put32(static_cast<std::uint32_t>(14 + tableEnd + bytes));
    put32(0);
    put32(static_cast<std::uint32_t>(14 + tableEnd));
    file.append(reinterpret_cast<const char*>(info.data()), static_cast<qsizetype>(tableEnd));
    file.append(reinterpret_cast<const char*>(bits.data()), static_cast<qsizetype>(bytes));
    QImage image;
    if (!image.loadFromData(file, "BMP")) {
        throw Unsupported{"Bitmap, die Qt nicht liest"};
    }
    return image;
}

QRect sourceRect(const QImage& bitmap, bool bottomUp, long long x, long long y, long long w, long long h)
{
    if (bottomUp) {
        y = bitmap.height() - y - h;
    }
    const auto c = [](long long v) { return static_cast<int>(std::clamp(v, -CoordLimit, CoordLimit)); };
    return {c(x), c(y), c(w), c(h)};
}

bool isBottomUp(const Bytes& info)
{
    return info.u32(0) == 12 || info.s32(8) > 0;
}

} // namespace pagolux::metafile
