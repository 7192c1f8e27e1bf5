#include "tests/picture/PictureFiles.h"

#include "builder/icon/IconBitmap.h"

#include <QDataStream>

namespace pagolux::testfiles {

namespace {

void u8(QByteArray& d, unsigned v)
{
    d.append(static_cast<char>(v & 0xFF));
}
void u16(QByteArray& d, unsigned v)
{
    u8(d, v);
    u8(d, v >> 8);
}
void u32(QByteArray& d, std::uint32_t v)
{
    u16(d, v & 0xFFFF);
    u16(d, v >> 16);
}
std::uint32_t colorRef(QColor c)
{
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

// Bit writer for GIF's LSB-first variable-width codes.
struct BitWriter {
    QByteArray bytes;
    std::uint32_t acc = 0;
    int bits = 0;
    void put(unsigned code, int width)
    {
        acc |= code << bits;
        bits += width;
        while (bits >= 8) {
            u8(bytes, acc);
            acc >>= 8;
            bits -= 8;
        }
    }
    void flush()
    {
        if (bits > 0) {
            u8(bytes, acc);
        }
        acc = 0;
        bits = 0;
    }
};

} // namespace

QByteArray gif(int width, int height, const std::vector<std::uint8_t>& indices, int transparentIndex)
{
    QByteArray d("GIF89a");
    u16(d, static_cast<unsigned>(width));
    u16(d, static_cast<unsigned>(height));
    u8(d, 0xF3); // global colour table, 8 bits colour resolution, 16 entries
    u8(d, 0);    // background
    u8(d, 0);    // aspect
    for (const PaletteColor& c : IconBitmap::Palette) {
        u8(d, c.red);
        u8(d, c.green);
        u8(d, c.blue);
    }
    if (transparentIndex >= 0) {
        u8(d, 0x21);
        u8(d, 0xF9);
        u8(d, 4);
        u8(d, 0x01); // transparent colour flag
        u16(d, 0);
        u8(d, static_cast<unsigned>(transparentIndex));
        u8(d, 0);
    }
    u8(d, 0x2C);
    u16(d, 0);
    u16(d, 0);
    u16(d, static_cast<unsigned>(width));
    u16(d, static_cast<unsigned>(height));
    u8(d, 0);
    // LZW with a minimum code size of 4: literal codes only, and a clear code often enough
    // that the code width stays at 5 bits.
    const int minCodeSize = 4;
    const unsigned clear = 16;
    const unsigned end = 17;
    u8(d, minCodeSize);
    BitWriter w;
    int sinceClear = 0;
    w.put(clear, 5);
    for (std::uint8_t index : indices) {
        if (sinceClear == 12) {
            w.put(clear, 5);
            sinceClear = 0;
        }
        w.put(index, 5);
        ++sinceClear;
    }
    w.put(end, 5);
    w.flush();
    for (qsizetype at = 0; at < w.bytes.size(); at += 255) {
        const qsizetype n = std::min<qsizetype>(255, w.bytes.size() - at);
        u8(d, static_cast<unsigned>(n));
        d.append(w.bytes.mid(at, n));
    }
    u8(d, 0);
    u8(d, 0x3B);
    return d;
}

QByteArray ico4bit(const std::vector<std::uint8_t>& indices, const std::vector<bool>& transparent)
{
    QByteArray image;
    // Information header: height counts the colour and the mask rows together.
    u32(image, 40);
    u32(image, 32);
    u32(image, 64);
    u16(image, 1);
    u16(image, 4);
    u32(image, 0);
    u32(image, 512 + 128);
    u32(image, 0);
    u32(image, 0);
    u32(image, 16);
    u32(image, 0);
    for (const PaletteColor& c : IconBitmap::Palette) {
        u8(image, c.blue);
        u8(image, c.green);
        u8(image, c.red);
        u8(image, 0);
    }
    for (int row = 31; row >= 0; --row) {
        for (int pair = 0; pair < 16; ++pair) {
            const auto at = static_cast<std::size_t>(row * 32 + 2 * pair);
            u8(image, static_cast<unsigned>((indices[at] << 4) | indices[at + 1]));
        }
    }
    for (int row = 31; row >= 0; --row) {
        for (int byte = 0; byte < 4; ++byte) { // 32 mask bits, rows padded to 4 bytes
            unsigned bits = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (transparent[static_cast<std::size_t>(row * 32 + byte * 8 + bit)]) {
                    bits |= 0x80u >> bit;
                }
            }
            u8(image, bits);
        }
    }
    QByteArray d;
    u16(d, 0);
    u16(d, 1); // icon
    u16(d, 1); // one image
    u8(d, 32);
    u8(d, 32);
    u8(d, 16); // colours
    u8(d, 0);
    u16(d, 1);
    u16(d, 4);
    u32(d, static_cast<std::uint32_t>(image.size()));
    u32(d, 6 + 16);
    d.append(image);
    return d;
}

QByteArray icoFlat(const std::vector<FlatIcoImage>& images)
{
    std::vector<QByteArray> bodies;
    for (const FlatIcoImage& image : images) {
        QByteArray b;
        u32(b, 40);
        u32(b, static_cast<std::uint32_t>(image.width));
        u32(b, static_cast<std::uint32_t>(image.height * 2));
        u16(b, 1);
        u16(b, 4);
        u32(b, 0);
        u32(b, 0);
        u32(b, 0);
        u32(b, 0);
        u32(b, 16);
        u32(b, 0);
        for (const PaletteColor& c : IconBitmap::Palette) {
            u8(b, c.blue);
            u8(b, c.green);
            u8(b, c.red);
            u8(b, 0);
        }
        const int rowBytes = (image.width * 4 + 31) / 32 * 4;
        const int maskBytes = (image.width + 31) / 32 * 4;
        b.append(QByteArray(rowBytes * image.height, static_cast<char>((image.index << 4) | image.index)));
        b.append(QByteArray(maskBytes * image.height, '\0'));
        bodies.push_back(b);
    }
    QByteArray d;
    u16(d, 0);
    u16(d, 1);
    u16(d, static_cast<unsigned>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        u8(d, static_cast<unsigned>(images[i].width & 0xFF));
        u8(d, static_cast<unsigned>(images[i].height & 0xFF));
        u8(d, 16);
        u8(d, 0);
        u16(d, 1);
        u16(d, 4);
        u32(d, static_cast<std::uint32_t>(bodies[i].size()));
        u32(d, offset);
        offset += static_cast<std::uint32_t>(bodies[i].size());
    }
    for (const QByteArray& b : bodies) {
        d.append(b);
    }
    return d;
}

QByteArray wmf(int width, int height, QColor background, QColor foreground, int x0, int y0, int x1, int y1)
{
    QByteArray records;
    const auto record = [&records](unsigned function, const std::vector<unsigned>& words) {
        u32(records, static_cast<std::uint32_t>(3 + words.size()));
        u16(records, function);
        for (unsigned w : words) {
            u16(records, w);
        }
    };
    record(0x020B, {0, 0});                                                        // SetWindowOrg
    record(0x020C, {static_cast<unsigned>(height), static_cast<unsigned>(width)}); // SetWindowExt
    // A null pen, then a solid brush per rectangle.
    record(0x02FA, {5, 0, 0, 0, 0}); // CreatePenIndirect, style PS_NULL
    record(0x012D, {0});             // SelectObject
    int objects = 1;
    const auto fillRect = [&](QColor c, int l, int t, int r, int b) {
        const std::uint32_t ref = colorRef(c);
        record(0x02FC, {0, ref & 0xFFFF, ref >> 16, 0}); // CreateBrushIndirect, BS_SOLID
        record(0x012D, {static_cast<unsigned>(objects)});
        ++objects;
        // Rectangle: bottom, right, top, left; the null pen leaves the right and bottom edge out.
        record(0x041B, {static_cast<unsigned>(b + 1), static_cast<unsigned>(r + 1), static_cast<unsigned>(t),
                        static_cast<unsigned>(l)});
    };
    fillRect(background, 0, 0, width, height);
    fillRect(foreground, x0, y0, x1, y1);
    record(0x0000, {}); // EOF

    QByteArray d;
    // Placeable header.
    QByteArray placeable;
    u32(placeable, 0x9AC6CDD7);
    u16(placeable, 0);
    u16(placeable, 0);
    u16(placeable, 0);
    u16(placeable, static_cast<unsigned>(width));
    u16(placeable, static_cast<unsigned>(height));
    u16(placeable, 96); // units per inch: one unit is one pixel at 96 dpi
    u32(placeable, 0);
    unsigned checksum = 0;
    for (int i = 0; i < 10; ++i) {
        checksum ^= static_cast<unsigned char>(placeable[2 * i]) |
                    (static_cast<unsigned char>(placeable[2 * i + 1]) << 8);
    }
    u16(placeable, checksum);
    d.append(placeable);
    // Metafile header.
    u16(d, 1);
    u16(d, 9);
    u16(d, 0x0300);
    u32(d, static_cast<std::uint32_t>((18 + records.size()) / 2));
    u16(d, static_cast<unsigned>(objects));
    u32(d, 7);
    u16(d, 0);
    d.append(records);
    return d;
}

QByteArray emf(int width, int height, QColor background, QColor foreground, int x0, int y0, int x1, int y1)
{
    QByteArray records;
    int count = 0;
    const auto record = [&](std::uint32_t type, const std::vector<std::uint32_t>& values) {
        u32(records, type);
        u32(records, static_cast<std::uint32_t>(8 + 4 * values.size()));
        for (std::uint32_t v : values) {
            u32(records, v);
        }
        ++count;
    };
    record(37, {0x80000008}); // SelectObject(NULL_PEN)
    std::uint32_t handle = 1;
    const auto fillRect = [&](QColor c, int l, int t, int r, int b) {
        record(39, {handle, 0, colorRef(c), 0}); // CreateBrushIndirect, BS_SOLID
        record(37, {handle});
        ++handle;
        record(43, {static_cast<std::uint32_t>(l), static_cast<std::uint32_t>(t),
                    static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(b)}); // Rectangle
    };
    fillRect(background, 0, 0, width, height);
    fillRect(foreground, x0, y0, x1, y1);
    record(14, {0, 16, 20}); // EOF
    ++count;                 // the header counts as a record

    QByteArray d;
    const std::uint32_t headerSize = 88;
    u32(d, 1);
    u32(d, headerSize);
    // Bounds in device pixels (inclusive) and frame in 0.01 mm at 96 dpi.
    u32(d, 0);
    u32(d, 0);
    u32(d, static_cast<std::uint32_t>(width - 1));
    u32(d, static_cast<std::uint32_t>(height - 1));
    u32(d, 0);
    u32(d, 0);
    u32(d, static_cast<std::uint32_t>(width * 2540 / 96));
    u32(d, static_cast<std::uint32_t>(height * 2540 / 96));
    u32(d, 0x464D4520);
    u32(d, 0x10000);
    u32(d, static_cast<std::uint32_t>(headerSize + records.size()));
    u32(d, static_cast<std::uint32_t>(count));
    u16(d, static_cast<unsigned>(handle));
    u16(d, 0);
    u32(d, 0);
    u32(d, 0);
    u32(d, 0);
    // Reference device: 96 dpi, so 1 pixel is 0.2645 mm.
    u32(d, 1920);
    u32(d, 1080);
    u32(d, 508);
    u32(d, 286);
    d.append(records);
    return d;
}

} // namespace pagolux::testfiles
