#include "tests/picture/PictureFiles.h"

#include "icon/IconBitmap.h"
#include "tests/support/Bitmaps.h"

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

MetafileWriter::MetafileWriter(Format format, int width, int height)
    : format_(format), width_(width), height_(height)
{
    if (format_ == Format::Wmf) {
        setWindow(0, 0, width, height);
    }
}

void MetafileWriter::record(std::uint32_t function, const std::vector<std::uint32_t>& values)
{
    if (format_ == Format::Wmf) {
        u32(records_, static_cast<std::uint32_t>(3 + values.size()));
        u16(records_, function);
        for (std::uint32_t v : values) {
            u16(records_, v & 0xFFFF);
        }
    } else {
        u32(records_, function);
        u32(records_, static_cast<std::uint32_t>(8 + 4 * values.size()));
        for (std::uint32_t v : values) {
            u32(records_, v);
        }
    }
    ++recordCount_;
}

namespace {
std::uint32_t word(int v)
{
    return static_cast<std::uint32_t>(v);
}
} // namespace

void MetafileWriter::setWindow(int x, int y, int w, int h)
{
    if (format_ == Format::Wmf) {
        record(0x020B, {word(y), word(x)});
        record(0x020C, {word(h), word(w)});
    } else {
        record(17, {8}); // MM_ANISOTROPIC
        record(10, {word(x), word(y)});
        record(9, {word(w), word(h)});
        record(11, {word(width_), word(height_)});
    }
}

// Creates an object, selects it and deletes the one it replaces.
void MetafileWriter::select(int& current, std::uint32_t create, const std::vector<std::uint32_t>& values)
{
    int handle = 0;
    if (format_ == Format::Wmf) {
        while (handle < static_cast<int>(slots_.size()) && slots_[handle]) {
            ++handle;
        }
        if (handle == static_cast<int>(slots_.size())) {
            slots_.push_back(false);
        }
        slots_[handle] = true;
        record(create, values);
        record(0x012D, {word(handle)});
        if (current >= 0) {
            record(0x01F0, {word(current)});
            slots_[current] = false;
        }
    } else {
        handle = static_cast<int>(nextHandle_++);
        std::vector<std::uint32_t> withHandle{word(handle)};
        withHandle.insert(withHandle.end(), values.begin(), values.end());
        record(create, withHandle);
        record(37, {word(handle)});
        if (current >= 0) {
            record(40, {word(current)});
        }
    }
    current = handle;
}

void MetafileWriter::pen(QColor color, int width)
{
    const std::uint32_t ref = colorRef(color);
    if (format_ == Format::Wmf) {
        select(pen_, 0x02FA, {0, word(width), 0, ref & 0xFFFF, ref >> 16});
    } else {
        select(pen_, 38, {0, word(width), 0, ref});
    }
}

void MetafileWriter::nullPen()
{
    if (format_ == Format::Wmf) {
        select(pen_, 0x02FA, {5, 0, 0, 0, 0});
    } else {
        stockObject(0x80000008);
    }
}

void MetafileWriter::brush(QColor color)
{
    const std::uint32_t ref = colorRef(color);
    if (format_ == Format::Wmf) {
        select(brush_, 0x02FC, {0, ref & 0xFFFF, ref >> 16, 0});
    } else {
        select(brush_, 39, {0, ref, 0});
    }
}

void MetafileWriter::nullBrush()
{
    if (format_ == Format::Wmf) {
        select(brush_, 0x02FC, {1, 0, 0, 0});
    } else {
        stockObject(0x80000005);
    }
}

void MetafileWriter::stockObject(std::uint32_t index)
{
    record(37, {index});
}

void MetafileWriter::windingFill(bool winding)
{
    record(format_ == Format::Wmf ? 0x0106 : 19, {winding ? 2u : 1u});
}

void MetafileWriter::saveDC()
{
    record(format_ == Format::Wmf ? 0x001E : 33, {});
}

void MetafileWriter::restoreDC(int which)
{
    record(format_ == Format::Wmf ? 0x0127 : 34, {word(which)});
}

void MetafileWriter::intersectClip(int l, int t, int r, int b)
{
    if (format_ == Format::Wmf) {
        record(0x0416, {word(b), word(r), word(t), word(l)});
    } else {
        record(30, {word(l), word(t), word(r), word(b)});
    }
}

void MetafileWriter::rectangle(int l, int t, int r, int b)
{
    if (format_ == Format::Wmf) {
        record(0x041B, {word(b), word(r), word(t), word(l)});
    } else {
        record(43, {word(l), word(t), word(r), word(b)});
    }
}

void MetafileWriter::ellipse(int l, int t, int r, int b)
{
    if (format_ == Format::Wmf) {
        record(0x0418, {word(b), word(r), word(t), word(l)});
    } else {
        record(42, {word(l), word(t), word(r), word(b)});
    }
}

namespace {
// EMF records that carry points start with the bounds, which the player does not use.
void bounds(std::vector<std::uint32_t>& v)
{
    v.insert(v.end(), {0, 0, 0, 0});
}
} // namespace

void MetafileWriter::polygon(const std::vector<QPoint>& points)
{
    std::vector<std::uint32_t> v;
    if (format_ == Format::Emf) {
        bounds(v);
    }
    v.push_back(word(static_cast<int>(points.size())));
    for (const QPoint& p : points) {
        v.push_back(word(p.x()));
        v.push_back(word(p.y()));
    }
    record(format_ == Format::Wmf ? 0x0324 : 3, v);
}

void MetafileWriter::polyPolygon(const std::vector<std::vector<QPoint>>& rings)
{
    std::vector<std::uint32_t> v;
    std::size_t total = 0;
    for (const auto& ring : rings) {
        total += ring.size();
    }
    if (format_ == Format::Emf) {
        bounds(v);
    }
    v.push_back(word(static_cast<int>(rings.size())));
    if (format_ == Format::Emf) {
        v.push_back(word(static_cast<int>(total)));
    }
    for (const auto& ring : rings) {
        v.push_back(word(static_cast<int>(ring.size())));
    }
    for (const auto& ring : rings) {
        for (const QPoint& p : ring) {
            v.push_back(word(p.x()));
            v.push_back(word(p.y()));
        }
    }
    record(format_ == Format::Wmf ? 0x0538 : 8, v);
}

void MetafileWriter::polyline(const std::vector<QPoint>& points)
{
    std::vector<std::uint32_t> v;
    if (format_ == Format::Emf) {
        bounds(v);
    }
    v.push_back(word(static_cast<int>(points.size())));
    for (const QPoint& p : points) {
        v.push_back(word(p.x()));
        v.push_back(word(p.y()));
    }
    record(format_ == Format::Wmf ? 0x0325 : 4, v);
}

void MetafileWriter::moveTo(int x, int y)
{
    if (format_ == Format::Wmf) {
        record(0x0214, {word(y), word(x)});
    } else {
        record(27, {word(x), word(y)});
    }
}

void MetafileWriter::lineTo(int x, int y)
{
    if (format_ == Format::Wmf) {
        record(0x0213, {word(y), word(x)});
    } else {
        record(54, {word(x), word(y)});
    }
}

void MetafileWriter::setPixel(int x, int y, QColor color)
{
    const std::uint32_t ref = colorRef(color);
    if (format_ == Format::Wmf) {
        record(0x041F, {ref & 0xFFFF, ref >> 16, word(y), word(x)});
    } else {
        record(15, {word(x), word(y), ref});
    }
}

void MetafileWriter::patBlt(int x, int y, int w, int h, std::uint32_t rop)
{
    if (format_ == Format::Wmf) {
        record(0x061D, {rop & 0xFFFF, rop >> 16, word(h), word(w), word(y), word(x)});
    } else {
        // BitBlt without a source bitmap.
        record(76, {0, 0, 0,          0, word(x), word(y), word(w), word(h), rop, 0, 0, 0x3F800000,
                    0, 0, 0x3F800000, 0, 0,       0,       0,       0,       0,   0, 0});
    }
}

MetafileWriter::Dib MetafileWriter::dib24(const QImage& bitmap)
{
    const test::Bytes dib = test::dib24(bitmap.width(), bitmap.height(), [&](int x, int y) {
        const QColor c = bitmap.pixelColor(x, y);
        return test::Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                         static_cast<std::uint8_t>(c.blue())};
    });
    const auto bytes = [&](std::size_t from, std::size_t to) {
        return QByteArray(reinterpret_cast<const char*>(dib.data() + from),
                          static_cast<qsizetype>(to - from));
    };
    return Dib{bytes(0, test::kBitmapInfoHeaderSize), bytes(test::kBitmapInfoHeaderSize, dib.size())};
}

namespace {

constexpr std::uint32_t SrcCopy = 0x00CC0020;

// The DIB as the values of a record: 16-bit words for WMF, 32-bit values for EMF.
void appendBytes(std::vector<std::uint32_t>& v, QByteArray body, bool wide)
{
    const int unit = wide ? 4 : 2;
    while (body.size() % unit != 0) {
        u8(body, 0);
    }
    for (int i = 0; i < body.size(); i += unit) {
        std::uint32_t value = 0;
        for (int k = unit - 1; k >= 0; --k) {
            value = (value << 8) | static_cast<unsigned char>(body[i + k]);
        }
        v.push_back(value);
    }
}

} // namespace

void MetafileWriter::stretchDib(int x, int y, int w, int h, const QImage& bitmap, int sx, int sy, int sw,
                                int sh)
{
    stretchDib(x, y, w, h, dib24(bitmap), sx, sy, sw, sh);
}

void MetafileWriter::stretchDib(int x, int y, int w, int h, const Dib& dib, int sx, int sy, int sw, int sh)
{
    if (format_ == Format::Wmf) {
        std::vector<std::uint32_t> v{SrcCopy & 0xFFFF, SrcCopy >> 16, 0,       word(sh), word(sw), word(sy),
                                     word(sx),         word(h),       word(w), word(y),  word(x)};
        appendBytes(v, dib.info + dib.bits, false);
        record(0x0F43, v);
    } else {
        // StretchDIBits: the bitmap follows the 80 bytes of fixed fields.
        const auto offInfo = std::uint32_t{80};
        const auto infoSize = static_cast<std::uint32_t>(dib.info.size());
        std::vector<std::uint32_t> v{0,
                                     0,
                                     0,
                                     0,
                                     word(x),
                                     word(y),
                                     word(sx),
                                     word(sy),
                                     word(sw),
                                     word(sh),
                                     offInfo,
                                     infoSize,
                                     offInfo + infoSize,
                                     static_cast<std::uint32_t>(dib.bits.size()),
                                     0,
                                     SrcCopy,
                                     word(w),
                                     word(h)};
        appendBytes(v, dib.info + dib.bits, true);
        record(81, v);
    }
}

void MetafileWriter::dibStretchBlt(int x, int y, int w, int h, const Dib& dib, int sx, int sy, int sw, int sh)
{
    std::vector<std::uint32_t> v{SrcCopy & 0xFFFF, SrcCopy >> 16, word(sh), word(sw), word(sy),
                                 word(sx),         word(h),       word(w),  word(y),  word(x)};
    appendBytes(v, dib.info + dib.bits, false);
    record(0x0B41, v);
}

void MetafileWriter::bitBlt(int x, int y, int w, int h, const Dib& dib, int sx, int sy)
{
    if (format_ == Format::Wmf) {
        std::vector<std::uint32_t> v{SrcCopy & 0xFFFF, SrcCopy >> 16, word(sy), word(sx),
                                     word(h),          word(w),       word(y),  word(x)};
        appendBytes(v, dib.info + dib.bits, false);
        record(0x0940, v);
    } else {
        // BitBlt with an identity source transform; the bitmap follows the 100 bytes of fields.
        const auto offInfo = std::uint32_t{100};
        const auto infoSize = static_cast<std::uint32_t>(dib.info.size());
        std::vector<std::uint32_t> v{0,
                                     0,
                                     0,
                                     0,
                                     word(x),
                                     word(y),
                                     word(w),
                                     word(h),
                                     SrcCopy,
                                     word(sx),
                                     word(sy),
                                     0x3F800000,
                                     0,
                                     0,
                                     0x3F800000,
                                     0,
                                     0,
                                     0,
                                     0,
                                     offInfo,
                                     infoSize,
                                     offInfo + infoSize,
                                     static_cast<std::uint32_t>(dib.bits.size())};
        appendBytes(v, dib.info + dib.bits, true);
        record(76, v);
    }
}

QByteArray MetafileWriter::bytes() const
{
    QByteArray d;
    if (format_ == Format::Wmf) {
        QByteArray records = records_;
        u32(records, 3);
        u16(records, 0x0000); // EOF
        QByteArray placeable;
        u32(placeable, 0x9AC6CDD7);
        u16(placeable, 0);
        u16(placeable, 0);
        u16(placeable, 0);
        u16(placeable, static_cast<unsigned>(width_));
        u16(placeable, static_cast<unsigned>(height_));
        u16(placeable, 96); // units per inch: one unit is one pixel at 96 dpi
        u32(placeable, 0);
        unsigned checksum = 0;
        for (int i = 0; i < 10; ++i) {
            checksum ^= static_cast<unsigned char>(placeable[2 * i]) |
                        (static_cast<unsigned char>(placeable[2 * i + 1]) << 8);
        }
        u16(placeable, checksum);
        d.append(placeable);
        u16(d, 1);
        u16(d, 9);
        u16(d, 0x0300);
        u32(d, static_cast<std::uint32_t>((18 + records.size()) / 2));
        u16(d, static_cast<unsigned>(slots_.size()));
        u32(d, 0x1000);
        u16(d, 0);
        d.append(records);
        return d;
    }
    QByteArray records = records_;
    u32(records, 14); // EOF
    u32(records, 20);
    u32(records, 0);
    u32(records, 16);
    u32(records, 20);
    const std::uint32_t headerSize = 88;
    u32(d, 1);
    u32(d, headerSize);
    // Bounds in device pixels (inclusive) and frame in 0.01 mm at 96 dpi.
    u32(d, 0);
    u32(d, 0);
    u32(d, static_cast<std::uint32_t>(width_ - 1));
    u32(d, static_cast<std::uint32_t>(height_ - 1));
    u32(d, 0);
    u32(d, 0);
    u32(d, static_cast<std::uint32_t>(width_ * 2540 / 96));
    u32(d, static_cast<std::uint32_t>(height_ * 2540 / 96));
    u32(d, 0x464D4520);
    u32(d, 0x10000);
    u32(d, static_cast<std::uint32_t>(headerSize + records.size()));
    u32(d, static_cast<std::uint32_t>(recordCount_ + 2));
    u16(d, static_cast<unsigned>(nextHandle_));
    u16(d, 0);
    u32(d, 0);
    u32(d, 0);
    u32(d, 0);
    // Reference device: 508 x 286 mm, 96 dpi unless set (1 pixel is 0.2645 mm).
    u32(d, static_cast<std::uint32_t>(1920 * referenceDpi_ / 96));
    u32(d, static_cast<std::uint32_t>(1080 * referenceDpi_ / 96));
    u32(d, 508);
    u32(d, 286);
    d.append(records);
    return d;
}

} // namespace pagolux::testfiles
