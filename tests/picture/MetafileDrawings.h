#pragma once
// The drawings of the metafile tests: each is written by MetafileWriter and comes with the
// pixels its bitmap has, so the player's output can be compared pixel by pixel.

#include "tests/picture/PictureFiles.h"

#include <QByteArray>
#include <QColor>
#include <QImage>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

namespace pagolux::testfiles {

inline const QColor Blue(0, 0, 255);
inline const QColor Yellow(255, 255, 0);
inline const QColor Red(255, 0, 0);
inline const QColor Green(0, 128, 0);
inline const QColor Teal(0, 128, 128);
inline const QColor Black(0, 0, 0);
inline const QColor White(255, 255, 255);

inline constexpr std::uint32_t PatCopy = 0x00F00021;
inline constexpr std::uint32_t Blackness = 0x00000042;
inline constexpr std::uint32_t Whiteness = 0x00FF0062;

// The bitmap a drawing should give: transparent, with the pixels set by hand.
class Expected {
  public:
    Expected(int width, int height) : image_(width, height, QImage::Format_ARGB32) { image_.fill(0); }
    // Fills [l, r) x [t, b).
    void fill(int l, int t, int r, int b, QColor c)
    {
        for (int y = t; y < b; ++y) {
            for (int x = l; x < r; ++x) {
                image_.setPixel(x, y, c.rgba());
            }
        }
    }
    void clear(int l, int t, int r, int b)
    {
        for (int y = t; y < b; ++y) {
            for (int x = l; x < r; ++x) {
                image_.setPixel(x, y, 0);
            }
        }
    }
    // The one-pixel frame of [l, r) x [t, b).
    void frame(int l, int t, int r, int b, QColor c)
    {
        fill(l, t, r, t + 1, c);
        fill(l, b - 1, r, b, c);
        fill(l, t, l + 1, b, c);
        fill(r - 1, t, r, b, c);
    }
    void pixel(int x, int y, QColor c) { image_.setPixel(x, y, c.rgba()); }
    [[nodiscard]] const QImage& image() const { return image_; }

  private:
    QImage image_;
};

enum class Only { Both, Wmf, Emf };

struct DrawingCase {
    const char* name;
    int width;
    int height;
    Only only;
    std::function<void(MetafileWriter&)> draw;
    std::function<void(Expected&)> expect;
};

QImage bitmapOf(int w, int h, const std::vector<QColor>& colors);
// A 16-bit value as a record word, and a 16-bit point packed into one 32-bit value.
std::uint32_t word(int v);
std::uint32_t xy(int x, int y);
// The bits of a float.
std::uint32_t f(float v);
// Each value as bytesEach little-endian bytes.
QByteArray le(std::initializer_list<std::uint32_t> values, int bytesEach);
// A BITMAPINFOHEADER with its colour table (0x00RRGGBB entries).
QByteArray infoHeader(int w, int h, int bits, int compression, int imageSize,
                      std::initializer_list<std::uint32_t> table);
// 4 x 2, 8 bits run-length coded, two colours: red (0) and blue (1).
MetafileWriter::Dib rle8();
// 3 x 2, 4 bits a pixel, three colours: green (0), yellow (1) and unused white (2).
MetafileWriter::Dib fourBit();
// Every drawing, in the order the test plays them.
const std::vector<DrawingCase>& drawingCases();

} // namespace pagolux::testfiles
