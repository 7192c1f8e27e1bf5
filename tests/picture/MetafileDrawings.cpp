#include "tests/picture/MetafileDrawings.h"

#include <bit>

namespace pagolux::testfiles {

using Format = MetafileWriter::Format;

QImage bitmapOf(int w, int h, const std::vector<QColor>& colors)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixelColor(x, y, colors[static_cast<std::size_t>(y * w + x) % colors.size()]);
        }
    }
    return image;
}

std::uint32_t word(int v)
{
    return static_cast<std::uint32_t>(v) & 0xFFFF;
}

std::uint32_t xy(int x, int y)
{
    return word(x) | (word(y) << 16);
}

std::uint32_t f(float v)
{
    return std::bit_cast<std::uint32_t>(v);
}

QByteArray le(std::initializer_list<std::uint32_t> values, int bytesEach)
{
    QByteArray d;
    for (std::uint32_t v : values) {
        for (int i = 0; i < bytesEach; ++i) {
            d.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    }
    return d;
}

QByteArray infoHeader(int w, int h, int bits, int compression, int imageSize,
                      std::initializer_list<std::uint32_t> table)
{
    QByteArray d = le({40, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)}, 4);
    d += le({1, static_cast<std::uint32_t>(bits)}, 2);
    d += le({static_cast<std::uint32_t>(compression), static_cast<std::uint32_t>(imageSize), 0, 0,
             static_cast<std::uint32_t>(table.size()), 0},
            4);
    d += le(table, 4);
    return d;
}

MetafileWriter::Dib rle8()
{
    // Bottom row: 4 x blue, end of line; top row: 2 x red, 2 x blue, end of bitmap.
    const QByteArray bits = le({4, 1, 0, 0, 2, 0, 2, 1, 0, 1}, 1);
    return {infoHeader(4, 2, 8, 1, static_cast<int>(bits.size()), {0xFF0000, 0x0000FF}), bits};
}

MetafileWriter::Dib fourBit()
{
    // Rows padded to four bytes, bottom row first: yellow green yellow, then green yellow green.
    const QByteArray bits = le({0x10, 0x10, 0, 0, 0x01, 0x00, 0, 0}, 1);
    return {infoHeader(3, 2, 4, 0, 0, {0x008000, 0xFFFF00, 0xFFFFFF}), bits};
}

const std::vector<DrawingCase>& drawingCases()
{
    static const QImage dib = bitmapOf(4, 3, {Red, Green, Blue, Yellow, Teal, Black, White});
    static const std::vector<DrawingCase> cases = {
        {"solid rectangles without a pen, 48 x 32", 48, 32, Only::Both,
         [](MetafileWriter& m) {
             // Without a pen Rectangle fills one pixel less each way: right and bottom + 1.
             m.nullPen();
             m.brush(Blue);
             m.rectangle(0, 0, 49, 33);
             m.brush(Yellow);
             m.rectangle(10, 8, 31, 25);
             m.brush(Red);
             m.rectangle(40, 2, 46, 30);
             m.brush(Green);
             m.rectangle(0, 28, 49, 33);
         },
         [](Expected& e) {
             e.fill(0, 0, 48, 32, Blue);
             e.fill(10, 8, 30, 24, Yellow);
             e.fill(40, 2, 45, 29, Red);
             e.fill(0, 28, 48, 32, Green);
         }},
        {"recorded at 192 dpi: the frame maps onto the picture", 48, 32, Only::Emf,
         [](MetafileWriter& m) {
             m.setReferenceDpi(192);
             m.nullPen();
             m.brush(Blue);
             m.rectangle(0, 0, 98, 66);
             m.brush(Yellow);
             m.rectangle(20, 16, 62, 50);
         },
         [](Expected& e) {
             e.fill(0, 0, 48, 32, Blue);
             e.fill(10, 8, 30, 24, Yellow);
         }},
        {"rectangles with one-pixel pens", 40, 30, Only::Both,
         [](MetafileWriter& m) {
             m.pen(Black);
             m.brush(Green);
             m.rectangle(4, 4, 20, 12);
             m.pen(Red, 1);
             m.nullBrush();
             m.rectangle(22, 3, 35, 25);
             // Corners given right to left and bottom to top are the same rectangle.
             m.pen(Blue);
             m.brush(Yellow);
             m.rectangle(12, 28, 2, 16);
         },
         [](Expected& e) {
             e.frame(4, 4, 20, 12, Black);
             e.fill(5, 5, 19, 11, Green);
             e.frame(22, 3, 35, 25, Red);
             e.frame(2, 16, 12, 28, Blue);
             e.fill(3, 17, 11, 27, Yellow);
         }},
        {"polygons and fill modes", 40, 40, Only::Both,
         [](MetafileWriter& m) {
             m.nullPen();
             m.brush(Blue);
             m.polygon({{2, 2}, {20, 2}, {20, 10}, {10, 10}, {10, 30}, {2, 30}});
             const auto rings = [](int dy) {
                 return std::vector<std::vector<QPoint>>{
                     {{22, 2 + dy}, {38, 2 + dy}, {38, 18 + dy}, {22, 18 + dy}},
                     {{26, 6 + dy}, {34, 6 + dy}, {34, 14 + dy}, {26, 14 + dy}}};
             };
             m.brush(Yellow);
             m.polyPolygon(rings(0)); // alternate: the inner square is a hole
             m.windingFill(true);
             m.brush(Red);
             m.polyPolygon(rings(20)); // winding, both turning the same way: filled
         },
         [](Expected& e) {
             e.fill(2, 2, 20, 10, Blue);
             e.fill(2, 10, 10, 30, Blue);
             e.fill(22, 2, 38, 18, Yellow);
             e.clear(26, 6, 34, 14);
             e.fill(22, 22, 38, 38, Red);
         }},
        {"polygon with a pen", 20, 20, Only::Both,
         [](MetafileWriter& m) {
             m.pen(Black);
             m.brush(Yellow);
             m.polygon({{5, 5}, {15, 5}, {15, 15}, {5, 15}});
         },
         [](Expected& e) {
             // The outline runs through every corner; the inside is [5, 15) less that outline.
             e.frame(5, 5, 16, 16, Black);
             e.fill(6, 6, 15, 15, Yellow);
         }},
        {"lines leave out their last point", 32, 24, Only::Both,
         [](MetafileWriter& m) {
             m.pen(Red);
             m.polyline({{2, 2}, {20, 2}, {20, 10}});
             m.pen(Blue);
             m.moveTo(25, 20);
             m.lineTo(25, 5);
             m.lineTo(5, 5);
             m.pen(Green);
             m.moveTo(2, 12);
             m.lineTo(10, 20);
         },
         [](Expected& e) {
             e.fill(2, 2, 20, 3, Red);
             e.fill(20, 2, 21, 10, Red);
             e.fill(25, 6, 26, 21, Blue);
             e.fill(6, 5, 26, 6, Blue);
             for (int i = 0; i < 8; ++i) {
                 e.pixel(2 + i, 12 + i, Green);
             }
         }},
        {"pattern blits and single pixels", 32, 24, Only::Both,
         [](MetafileWriter& m) {
             m.brush(Teal);
             m.patBlt(3, 3, 10, 5, PatCopy);
             m.patBlt(15, 20, -5, -4, PatCopy);
             m.patBlt(20, 3, 6, 6, Blackness);
             m.patBlt(20, 12, 6, 6, Whiteness);
             m.setPixel(1, 1, Red);
             m.setPixel(30, 20, Blue);
         },
         [](Expected& e) {
             e.fill(3, 3, 13, 8, Teal);
             e.fill(10, 16, 15, 20, Teal);
             e.fill(20, 3, 26, 9, Black);
             e.fill(20, 12, 26, 18, White);
             e.pixel(1, 1, Red);
             e.pixel(30, 20, Blue);
         }},
        {"window origin and extent", 48, 32, Only::Both,
         [](MetafileWriter& m) {
             m.setWindow(0, 0, 24, 16); // two pixels a unit
             m.nullPen();
             m.brush(Blue);
             m.rectangle(0, 0, 13, 9); // device (0, 0) to (26, 18)
             m.brush(Yellow);
             m.patBlt(20, 10, 4, 6, PatCopy); // device (40, 20) to (48, 32)
             m.setWindow(-10, -10, 48, 32);   // one pixel a unit, moved
             m.brush(Red);
             m.rectangle(-10, -10, -4, -4);
         },
         [](Expected& e) {
             e.fill(0, 0, 25, 17, Blue);
             e.fill(40, 20, 48, 32, Yellow);
             e.fill(0, 0, 5, 5, Red);
         }},
        {"device-independent bitmaps", 40, 30, Only::Both,
         [](MetafileWriter& m) {
             m.stretchDib(2, 2, 4, 3, dib, 0, 0, 4, 3);
             m.stretchDib(10, 2, 8, 6, dib, 0, 0, 4, 3);
             // The source y counts from the bottom row of a bottom-up bitmap.
             m.stretchDib(24, 2, 2, 2, dib, 1, 0, 2, 2);
         },
         [](Expected& e) {
             for (int y = 0; y < 3; ++y) {
                 for (int x = 0; x < 4; ++x) {
                     const QColor c = dib.pixelColor(x, y);
                     e.pixel(2 + x, 2 + y, c);
                     e.fill(10 + 2 * x, 2 + 2 * y, 12 + 2 * x, 4 + 2 * y, c);
                 }
             }
             for (int y = 0; y < 2; ++y) {
                 for (int x = 0; x < 2; ++x) {
                     e.pixel(24 + x, 2 + y, dib.pixelColor(1 + x, 1 + y));
                 }
             }
         }},
        {"clip rectangles, saved and restored", 40, 30, Only::Both,
         [](MetafileWriter& m) {
             m.nullPen();
             m.brush(Blue);
             m.saveDC();
             m.intersectClip(5, 5, 15, 15);
             m.rectangle(0, 0, 41, 31);
             m.restoreDC(-1);
             m.brush(Yellow);
             m.rectangle(20, 0, 41, 31);
         },
         [](Expected& e) {
             e.fill(5, 5, 15, 15, Blue);
             e.fill(20, 0, 40, 30, Yellow);
         }},
        {"stock pens and brushes", 24, 20, Only::Emf,
         [](MetafileWriter& m) {
             m.stockObject(0x80000008); // NULL_PEN
             m.stockObject(0x80000002); // GRAY_BRUSH
             m.rectangle(0, 0, 11, 11);
             m.stockObject(0x80000007); // BLACK_PEN
             m.stockObject(0x80000005); // NULL_BRUSH
             m.rectangle(12, 0, 20, 8);
             m.stockObject(0x80000006); // WHITE_PEN
             m.stockObject(0x80000001); // LTGRAY_BRUSH
             m.rectangle(0, 12, 6, 18);
         },
         [](Expected& e) {
             e.fill(0, 0, 10, 10, QColor(128, 128, 128));
             e.frame(12, 0, 20, 8, Black);
             e.frame(0, 12, 6, 18, White);
             e.fill(1, 13, 5, 17, QColor(192, 192, 192));
         }},
        // The other forms of the same records.
        {"16-bit points, PolylineTo and PolyPolyline", 40, 20, Only::Emf,
         [](MetafileWriter& m) {
             m.nullPen();
             m.brush(Blue);
             m.record(86, {0, 0, 0, 0, 4, xy(2, 2), xy(12, 2), xy(12, 8), xy(2, 8)}); // Polygon16
             m.pen(Red);
             m.moveTo(2, 10);
             m.record(89, {0, 0, 0, 0, 2, xy(10, 10), xy(10, 15)}); // PolylineTo16
             m.lineTo(15, 15);                                      // on from the end of PolylineTo
             m.pen(Green);
             m.record(7, {0, 0, 0, 0, 2, 4, 2, 2, 20, 2, 30, 2, 20, 5, 20, 12}); // PolyPolyline
         },
         [](Expected& e) {
             e.fill(2, 2, 12, 8, Blue);
             e.fill(2, 10, 10, 11, Red);
             e.fill(10, 10, 11, 15, Red);
             e.fill(10, 15, 15, 16, Red);
             e.fill(20, 2, 30, 3, Green);
             e.fill(20, 5, 21, 12, Green);
         }},
        {"world transforms that scale and move", 40, 30, Only::Emf,
         [](MetafileWriter& m) {
             m.nullPen();
             m.brush(Blue);
             m.record(35, {f(2), 0, 0, f(2), f(10), f(4)}); // page = 2 * logical + (10, 4)
             m.rectangle(0, 0, 5, 3);
             m.record(36, {0, 0, 0, 0, 0, 0, 1}); // identity
             m.brush(Red);
             m.rectangle(0, 0, 3, 3);
             m.record(36, {f(2), 0, 0, f(2), 0, 0, 4});        // set: twice
             m.record(36, {f(1), 0, 0, f(1), f(10), f(5), 2}); // left: move first, then twice
             m.brush(Yellow);
             m.rectangle(0, 0, 3, 3);
             m.record(36, {f(1), 0, 0, f(1), f(1), f(1), 3}); // right: then move one more
             m.brush(Green);
             m.rectangle(5, 5, 7, 7);
         },
         [](Expected& e) {
             e.fill(10, 4, 19, 9, Blue);
             e.fill(0, 0, 2, 2, Red);
             e.fill(20, 10, 25, 15, Yellow);
             e.fill(31, 21, 34, 24, Green);
         }},
        {"mapping modes: twips and isotropic", 30, 30, Only::Emf,
         [](MetafileWriter& m) {
             m.brush(Blue);
             m.record(17, {6});                  // MM_TWIPS: 15 twips a pixel at 96 dpi, y up
             m.patBlt(0, 0, 150, -150, PatCopy); // (0, 0) to (10, 10)
             m.record(17, {7});                  // MM_ISOTROPIC
             m.record(9, {10, 20});              // window 10 x 20
             m.record(11, {40, 40});             // viewport 40 x 40: 2 pixels a unit both ways
             m.record(12, {10, 10});             // viewport origin
             m.brush(Red);
             m.patBlt(1, 1, 5, 5, PatCopy); // (12, 12) to (22, 22)
         },
         [](Expected& e) {
             e.fill(0, 0, 10, 10, Blue);
             e.fill(12, 12, 22, 22, Red);
         }},
        {"window offset and scale", 48, 32, Only::Wmf,
         [](MetafileWriter& m) {
             m.brush(Blue);
             m.record(0x0410, {2, 1, 2, 1}); // ScaleWindowExt by 1/2: two pixels a unit
             m.patBlt(1, 1, 4, 4, PatCopy);
             m.record(0x020F, {word(-5), word(-5)}); // OffsetWindowOrg
             m.brush(Red);
             m.patBlt(10, 5, 3, 2, PatCopy);
         },
         [](Expected& e) {
             e.fill(2, 2, 10, 10, Blue);
             e.fill(30, 20, 36, 24, Red);
         }},
        {"palette bitmaps, run-length bitmaps and the other blits", 40, 20, Only::Both,
         [](MetafileWriter& m) {
             m.stretchDib(2, 2, 4, 2, rle8(), 0, 0, 4, 2);
             m.bitBlt(10, 2, 3, 2, fourBit(), 0, 0);
             if (m.format() == Format::Wmf) {
                 m.dibStretchBlt(20, 2, 8, 6, MetafileWriter::dib24(dib), 0, 0, 4, 3);
             } else {
                 m.stretchDib(20, 2, 8, 6, dib, 0, 0, 4, 3);
             }
         },
         [](Expected& e) {
             // rle8(): top row red, red, blue, blue; bottom row blue.
             e.fill(2, 2, 4, 3, Red);
             e.fill(4, 2, 6, 3, Blue);
             e.fill(2, 3, 6, 4, Blue);
             // fourBit(): top row green, yellow, green; bottom row yellow, green, yellow.
             for (int x = 0; x < 3; ++x) {
                 e.pixel(10 + x, 2, x % 2 == 0 ? Green : Yellow);
                 e.pixel(10 + x, 3, x % 2 == 0 ? Yellow : Green);
             }
             for (int y = 0; y < 3; ++y) {
                 for (int x = 0; x < 4; ++x) {
                     e.fill(20 + 2 * x, 2 + 2 * y, 22 + 2 * x, 4 + 2 * y, dib.pixelColor(x, y));
                 }
             }
         }},
    };
    return cases;
}

} // namespace pagolux::testfiles
