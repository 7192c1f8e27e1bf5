#pragma once
// Draws Windows metafiles (WMF with the placeable header, EMF) ourselves, record by record,
// onto a QImage of the picture's own size (or reduced to `fitSide`) with antialiasing off, following the
// pixel rules of the Windows drawing functions: a Rectangle covers [left, right) x [top, bottom) with its pen
// (one pixel less each way without one), a line leaves out its last point, a polygon's inside
// is the set of pixel centres inside it, PatBlt and FillRect cover [left, right) x [top, bottom).
// So a metafile of rectangles gives exactly the pixels a bitmap of the same drawing has.
//
// Drawn: header and placeable header, window and viewport origin and extent (EMF also the
// mapping modes and a scale-and-move world transform), SaveDC/RestoreDC, pens (solid, inside
// frame, null), solid and null brushes, the stock objects, Rectangle, Ellipse, Polygon,
// PolyPolygon, Polyline, PolyPolyline, MoveTo/LineTo, SetPixel, PatBlt, clip rectangles
// (intersect) and device-independent bitmaps (StretchDIB, DIBBitBlt, DIBStretchBlt,
// StretchDIBits, BitBlt) copied unchanged. Records that only set state for text, palettes or
// stretching are skipped. Anything else (text, arcs, pies, chords, rounded rectangles, Bezier
// curves, paths, regions, dashed pens, hatched and pattern brushes, raster operations other
// than copying, rotations, EMF+ without EMF records, a WMF without the placeable header) ends the playback
// with `unsupported` naming the record, and the caller draws the file another way.
//
// Nothing in the file is trusted: every count, length and offset is checked against the
// record that holds it before it is used, the picture's size against the limits given, and
// the total area drawn against a budget, so a small file cannot make the player allocate or
// work much more than its size justifies. Damaged data throws EPictureError.

#include <QByteArray>
#include <QImage>

#include <string>

namespace pagolux {

struct MetafileLimits {
    // The picture's own size (at 96 pixels an inch) above these is refused.
    int maxSide = 32768;
    long long maxPixels = 100'000'000;
    // When above 0 and the picture's longer side exceeds it, the picture is drawn reduced to
    // that longer side (same proportions), so a huge extent does not cost a huge canvas.
    int fitSide = 0;
    // An embedded bitmap with more pixels is refused: it is decoded whole.
    long long maxBitmapPixels = 16'777'216;
};

struct MetafilePlayback {
    QImage image;            // QImage::Format_ARGB32; null when `unsupported` is set
    std::string unsupported; // the record the player does not draw, e.g. "WMF 0x0521"
};

class MetafilePlayer {
  public:
    // `fileName` only names the file in error messages.
    [[nodiscard]] static MetafilePlayback playWmf(const QByteArray& data, const std::string& fileName,
                                                  const MetafileLimits& limits = {});
    [[nodiscard]] static MetafilePlayback playEmf(const QByteArray& data, const std::string& fileName,
                                                  const MetafileLimits& limits = {});
};

} // namespace pagolux
