#pragma once
// Small picture files made by the tests themselves, byte by byte where Qt cannot write the
// format (GIF, ICO, WMF, EMF).

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPoint>

#include <cstdint>
#include <vector>

namespace pagolux::testfiles {

// The CRC-32 of PNG chunks (and zip).
std::uint32_t crc32Of(const QByteArray& data);

// A PNG of width x height, one IDAT chunk: `rows` is the filtered raw image data (a filter
// byte before each row), compressed here.
QByteArray png(int width, int height, int bitDepth, int colorType, const QByteArray& rows);

// The test program started with MeasureReadOption and a file name reads that picture with
// PictureReader::read and prints "growth-kib=N" (how far its resident memory rose above what
// it was before the read), then "size=WxH" or "error=MESSAGE". Returns the exit status.
inline constexpr const char* MeasureReadOption = "--measure-read";
int measureRead(const char* path);

// A GIF89a of width x height with a 16-entry global colour table (the icon palette), pixel
// indices from `indices` (row 0 first). `transparentIndex` >= 0 adds a graphic control
// extension that marks that index transparent.
QByteArray gif(int width, int height, const std::vector<std::uint8_t>& indices, int transparentIndex = -1);

// An ICO holding one 32 x 32, 4-bit image over the icon palette: `indices` (row 0 first) and
// the AND mask `transparent` (true = transparent).
QByteArray ico4bit(const std::vector<std::uint8_t>& indices, const std::vector<bool>& transparent);

// An ICO holding several 4-bit images over the icon palette, each of one flat colour and fully
// opaque, in the order given.
struct FlatIcoImage {
    int width;
    int height;
    std::uint8_t index;
};
QByteArray icoFlat(const std::vector<FlatIcoImage>& images);

// Windows drawing calls written as a metafile, byte by byte: a placeable WMF (bounds 0, 0,
// width, height at 96 units an inch, so one unit is one pixel) or an EMF (frame of width x
// height pixels at 96 dpi, recorded on a 96 dpi reference device). Pens and brushes are
// created, selected and the previous one deleted, as a program's drawing code does.
class MetafileWriter {
  public:
    enum class Format { Wmf, Emf };
    MetafileWriter(Format format, int width, int height);

    // EMF only: the reference device the drawing was recorded on (96 dpi unless set).
    void setReferenceDpi(int dpi) { referenceDpi_ = dpi; }
    // Logical window (origin and extent) mapped onto the whole picture.
    void setWindow(int x, int y, int w, int h);
    void pen(QColor color, int width = 0); // solid; width 0 is one pixel
    void nullPen();
    void brush(QColor color); // solid
    void nullBrush();
    void stockObject(std::uint32_t index); // EMF only: 0x80000000 | stock number
    void windingFill(bool winding);
    void saveDC();
    void restoreDC(int which);
    void intersectClip(int l, int t, int r, int b);

    void rectangle(int l, int t, int r, int b);
    void ellipse(int l, int t, int r, int b);
    void polygon(const std::vector<QPoint>& points);
    void polyPolygon(const std::vector<std::vector<QPoint>>& rings);
    void polyline(const std::vector<QPoint>& points);
    void moveTo(int x, int y);
    void lineTo(int x, int y);
    void setPixel(int x, int y, QColor color);
    void patBlt(int x, int y, int w, int h, std::uint32_t rop);
    // A packed device-independent bitmap: information header with colour table, then the bits.
    struct Dib {
        QByteArray info;
        QByteArray bits;
    };
    // A 24-bit bottom-up DIB of `bitmap`.
    static Dib dib24(const QImage& bitmap);
    // StretchDIB (WMF) or StretchDIBits (EMF); (sx, sy) counts from the bitmap's bottom-left
    // corner.
    void stretchDib(int x, int y, int w, int h, const QImage& bitmap, int sx, int sy, int sw, int sh);
    void stretchDib(int x, int y, int w, int h, const Dib& dib, int sx, int sy, int sw, int sh);
    // WMF only: DIBStretchBlt.
    void dibStretchBlt(int x, int y, int w, int h, const Dib& dib, int sx, int sy, int sw, int sh);
    // DIBBitBlt (WMF) or BitBlt with a source bitmap (EMF).
    void bitBlt(int x, int y, int w, int h, const Dib& dib, int sx, int sy);
    // Any record: WMF function with 16-bit words, or EMF type with 32-bit values.
    void record(std::uint32_t function, const std::vector<std::uint32_t>& values);

    [[nodiscard]] QByteArray bytes() const;
    [[nodiscard]] Format format() const { return format_; }

  private:
    void select(int& current, std::uint32_t create, const std::vector<std::uint32_t>& values);

    Format format_;
    int width_;
    int height_;
    QByteArray records_;
    int recordCount_ = 0;
    std::vector<bool> slots_; // WMF object table
    std::uint32_t nextHandle_ = 1;
    int pen_ = -1;
    int brush_ = -1;
    int referenceDpi_ = 96;
};

} // namespace pagolux::testfiles
