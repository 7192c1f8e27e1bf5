#pragma once
// The drawing surface of the metafile players: the device-context state (mapping, pen, brush,
// clip, saved states) and the drawing functions with the pixel rules of the Windows ones.

#include "picture/MetafileBytes.h"
#include "picture/MetafilePlayer.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace pagolux::metafile {

constexpr QRgb Opaque = 0xFF000000u;

// A COLORREF (0x00BBGGRR). Palette indices need the file's palette, which is not drawn.
inline QRgb colorOf(std::uint32_t ref)
{
    if ((ref >> 24) == 1) {
        throw Unsupported{"Palettenfarbe"};
    }
    return Opaque | ((ref & 0xFF) << 16) | (ref & 0xFF00) | ((ref >> 16) & 0xFF);
}

struct Pen {
    bool null = false;
    bool cosmetic = true; // one device pixel wide whatever the mapping
    double width = 1;     // in logical units when not cosmetic
    QRgb color = Opaque;
    std::string unsupported; // a style the player does not draw, reported when it is used
};

struct Brush {
    bool null = false;
    QRgb color = Opaque | 0xFFFFFF;
    std::string unsupported;
};

struct GdiObject {
    enum class Kind { Pen, Brush, Other } kind = Kind::Other;
    Pen pen;
    Brush brush;
};

enum MapMode {
    MmText = 1,
    MmLoMetric,
    MmHiMetric,
    MmLoEnglish,
    MmHiEnglish,
    MmTwips,
    MmIsotropic,
    MmAnisotropic
};

// Everything SaveDC keeps.
struct DcState {
    int mapMode = MmText;
    double wox = 0, woy = 0, wex = 1, wey = 1;
    double vox = 0, voy = 0, vex = 1, vey = 1;
    // The world transform, restricted to scaling and moving: page = logical * m + d.
    double m11 = 1, m22 = 1, dx = 0, dy = 0;
    Pen pen;
    Brush brush;
    bool winding = false;
    double curX = 0, curY = 0;
    QRect clip; // device pixels, always within the image
};

// Device coordinates are kept within +-2^29 so that the integer line arithmetic cannot
// overflow; a picture never reaches that far.
constexpr long long CoordLimit = 1LL << 29;

inline long long roundCoord(double v)
{
    if (!(v == v)) {
        throw Damage{"eine Koordinate ist keine Zahl"};
    }
    return static_cast<long long>(std::floor(std::clamp(v, -double(CoordLimit), double(CoordLimit)) + 0.5));
}

struct DevicePoint {
    long long x;
    long long y;
};

// The drawing surface with the device-context state. Coordinates handed in are logical; they
// go through the mapping mode, the window and viewport and the world transform to the page,
// then through the frame (page pixel -> picture pixel: (p - origin) * scale) onto the image.
class Canvas {
  public:
    Canvas(QImage& image, long long budget);
    ~Canvas() { painter_.end(); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    DcState st;
    double originX = 0, originY = 0, scaleX = 1, scaleY = 1;
    double pixelsPerMmX = 96 / 25.4, pixelsPerMmY = 96 / 25.4;

    // ---- mapping ----
    void mapScale(double& sx, double& sy) const;
    [[nodiscard]] QPointF exact(double x, double y) const;
    [[nodiscard]] DevicePoint point(double x, double y) const;
    // A pen width in logical units as device pixels.
    [[nodiscard]] double deviceWidth(const Pen& pen) const;

    // ---- drawing primitives in device pixels ----
    void spend(long long pixels);
    void fill(long long l, long long t, long long r, long long b, QRgb color);
    void plot(long long x, long long y, QRgb color);
    // A one-pixel line from a to b without b itself: along the longer axis one pixel per step,
    // the other coordinate rounded half up. Only the steps inside the clip are visited.
    void line(DevicePoint a, DevicePoint b, QRgb color);
    void spendBox(const QRectF& box);
    void fillPath(const QPainterPath& path, QRgb color);
    // Strokes a wide pen centred on the outline; points sit on pixel centres.
    void strokePath(QPainterPath path, const Pen& pen);
    void drawImage(const QRect& target, const QImage& source, const QRect& from);

    // ---- the drawing functions ----
    const Pen* usablePen() const;
    const Brush* usableBrush() const;
    static void order(DevicePoint& a, DevicePoint& b);

    void rectangle(double l, double t, double r, double b);

    // The pixels of row y whose centres lie inside the ellipse in the box [l, r) x [t, b), as
    // [x0, x1); mirrored exactly so that the shape is symmetric.
    static bool ellipseSpan(long long l, long long t, long long r, long long b, long long y, long long& x0,
                            long long& x1);

    void ellipse(double l, double t, double r, double b);

    using Ring = std::vector<DevicePoint>;

    void polyPolygon(const std::vector<Ring>& rings);

    void outline(const Ring& ring, bool closed, const Pen& pen);

    void polyline(const Ring& ring);

    void lineTo(double x, double y);

    void setPixel(double x, double y, QRgb color);

    void patBlt(double x, double y, double w, double h, std::uint32_t rop);

    // Copies a bitmap: the source rectangle (in the bitmap's pixels, y from its top) onto the
    // logical destination rectangle, each target pixel taking one source pixel.
    void stretchBitmap(double x, double y, double w, double h, const QImage& bitmap, QRect from,
                       std::uint32_t rop);

    void intersectClip(double l, double t, double r, double b);
    void resetClip() { st.clip = image_.rect(); }

    void save();
    // GDI: a negative number counts back from the latest saved state, a positive one names
    // the state by its number (1 = the first saved).
    void restore(long long which);

  private:
    QImage& image_;
    QRgb* bits_ = nullptr;
    std::size_t stride_ = 0;
    QPainter painter_;
    long long budget_ = 0;
    long long used_ = 0;
    std::vector<DcState> saved_;
};

// The work one picture may cost: 64 times its own area, at least 16 million pixels.
[[nodiscard]] long long budgetFor(int width, int height);

// The transparent canvas of a picture of width x height, refused beyond the limits and drawn
// reduced when the limits ask a picture to fit.
[[nodiscard]] QImage makeImage(long long width, long long height, const MetafileLimits& limits);

// The finished canvas as QImage::Format_ARGB32.
[[nodiscard]] QImage finishImage(QImage image);

// Pens and brushes as the create records describe them.
[[nodiscard]] Pen makePen(unsigned style, double width, std::uint32_t color, bool cosmetic);
[[nodiscard]] Brush makeBrush(std::uint32_t style, std::uint32_t color);

} // namespace pagolux::metafile
