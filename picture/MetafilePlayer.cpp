#include "picture/MetafilePlayer.h"

#include "icon/IconError.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace pagolux {

namespace {

// Thrown inside the player: the file is damaged (turned into EPictureError at the top) or
// uses a record the player does not draw (the caller falls back).
struct Damage {
    const char* why;
};
struct Unsupported {
    std::string record;
};

std::string hexName(const char* kind, unsigned value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s 0x%04X", kind, value);
    return text;
}

// A bounds-checked view of little-endian bytes: every read outside the view is damage.
class Bytes {
  public:
    Bytes() = default;
    Bytes(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    [[nodiscard]] std::size_t size() const { return size_; }
    [[nodiscard]] bool has(std::size_t offset, std::size_t length) const
    {
        return offset <= size_ && length <= size_ - offset;
    }
    [[nodiscard]] Bytes sub(std::size_t offset, std::size_t length) const
    {
        need(offset, length);
        return {data_ + offset, length};
    }
    [[nodiscard]] const unsigned char* data() const { return data_; }
    [[nodiscard]] std::uint16_t u16(std::size_t offset) const
    {
        need(offset, 2);
        return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    }
    [[nodiscard]] std::int16_t s16(std::size_t offset) const
    {
        return static_cast<std::int16_t>(u16(offset));
    }
    [[nodiscard]] std::uint32_t u32(std::size_t offset) const
    {
        need(offset, 4);
        return static_cast<std::uint32_t>(data_[offset]) |
               (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(data_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
    }
    [[nodiscard]] std::int32_t s32(std::size_t offset) const
    {
        return static_cast<std::int32_t>(u32(offset));
    }
    [[nodiscard]] float f32(std::size_t offset) const
    {
        const std::uint32_t bits = u32(offset);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

  private:
    void need(std::size_t offset, std::size_t length) const
    {
        if (!has(offset, length)) {
            throw Damage{"ein Datensatz ist kürzer als seine Felder"};
        }
    }
    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

constexpr QRgb Opaque = 0xFF000000u;

// A COLORREF (0x00BBGGRR). Palette indices need the file's palette, which is not drawn.
QRgb colorOf(std::uint32_t ref)
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

long long roundCoord(double v)
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
    Canvas(QImage& image, long long budget) : image_(image), budget_(budget)
    {
        bits_ = reinterpret_cast<QRgb*>(image_.bits());
        stride_ = static_cast<std::size_t>(image_.bytesPerLine() / 4);
        st.clip = image_.rect();
        painter_.begin(&image_);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    }
    ~Canvas() { painter_.end(); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    DcState st;
    double originX = 0, originY = 0, scaleX = 1, scaleY = 1;
    double pixelsPerMmX = 96 / 25.4, pixelsPerMmY = 96 / 25.4;

    // ---- mapping ----
    void mapScale(double& sx, double& sy) const
    {
        switch (st.mapMode) {
        case MmIsotropic:
        case MmAnisotropic: {
            sx = st.wex != 0 ? st.vex / st.wex : 0;
            sy = st.wey != 0 ? st.vey / st.wey : 0;
            if (st.mapMode == MmIsotropic) {
                const double s = std::min(std::abs(sx), std::abs(sy));
                sx = std::copysign(s, sx);
                sy = std::copysign(s, sy);
            }
            return;
        }
        case MmLoMetric:
        case MmHiMetric:
        case MmLoEnglish:
        case MmHiEnglish:
        case MmTwips: {
            static constexpr double mmPerUnit[] = {0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
            const double mm = mmPerUnit[st.mapMode - MmLoMetric];
            sx = mm * pixelsPerMmX;
            sy = -mm * pixelsPerMmY;
            return;
        }
        default:
            sx = 1;
            sy = 1;
        }
    }
    [[nodiscard]] QPointF exact(double x, double y) const
    {
        double sx = 1;
        double sy = 1;
        mapScale(sx, sy);
        const double px = ((x * st.m11 + st.dx) - st.wox) * sx + st.vox;
        const double py = ((y * st.m22 + st.dy) - st.woy) * sy + st.voy;
        return {(px - originX) * scaleX, (py - originY) * scaleY};
    }
    [[nodiscard]] DevicePoint point(double x, double y) const
    {
        const QPointF p = exact(x, y);
        return {roundCoord(p.x()), roundCoord(p.y())};
    }
    // A pen width in logical units as device pixels.
    [[nodiscard]] double deviceWidth(const Pen& pen) const
    {
        if (pen.cosmetic) {
            return 1;
        }
        const QPointF a = exact(0, 0);
        const QPointF b = exact(pen.width, 0);
        return std::max(1.0, std::floor(std::hypot(b.x() - a.x(), b.y() - a.y()) + 0.5));
    }

    // ---- drawing primitives in device pixels ----
    void spend(long long pixels)
    {
        used_ += std::max(0LL, pixels);
        if (used_ > budget_) {
            throw Damage{"die Zeichnung ist zu aufwendig"};
        }
    }
    void fill(long long l, long long t, long long r, long long b, QRgb color)
    {
        l = std::max<long long>(l, st.clip.left());
        t = std::max<long long>(t, st.clip.top());
        r = std::min<long long>(r, st.clip.right() + 1LL);
        b = std::min<long long>(b, st.clip.bottom() + 1LL);
        if (l >= r || t >= b) {
            return;
        }
        spend((r - l) * (b - t));
        for (long long y = t; y < b; ++y) {
            std::fill_n(bits_ + static_cast<std::size_t>(y) * stride_ + l, r - l, color);
        }
    }
    void plot(long long x, long long y, QRgb color)
    {
        if (st.clip.contains(static_cast<int>(std::clamp(x, -1LL, 1LL << 30)),
                             static_cast<int>(std::clamp(y, -1LL, 1LL << 30)))) {
            bits_[static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x)] = color;
        }
    }
    // A one-pixel line from a to b without b itself: along the longer axis one pixel per step,
    // the other coordinate rounded half up. Only the steps inside the clip are visited.
    void line(DevicePoint a, DevicePoint b, QRgb color)
    {
        const long long dx = b.x - a.x;
        const long long dy = b.y - a.y;
        const bool xMajor = std::abs(dx) >= std::abs(dy);
        const long long major = xMajor ? dx : dy;
        const long long minor = xMajor ? dy : dx;
        if (major == 0) {
            return;
        }
        const long long n = std::abs(major);
        const long long step = major > 0 ? 1 : -1;
        const long long start = xMajor ? a.x : a.y;
        const long long minorStart = xMajor ? a.y : a.x;
        const long long lo = xMajor ? st.clip.left() : st.clip.top();
        const long long hi = (xMajor ? st.clip.right() : st.clip.bottom()) + 1LL;
        // t runs over 0 .. n-1; keep only start + step * t within [lo, hi).
        long long tFirst = 0;
        long long tLast = n - 1;
        if (step > 0) {
            tFirst = std::max(tFirst, lo - start);
            tLast = std::min(tLast, hi - 1 - start);
        } else {
            tFirst = std::max(tFirst, start - (hi - 1));
            tLast = std::min(tLast, start - lo);
        }
        if (tFirst > tLast) {
            return;
        }
        spend(tLast - tFirst + 1);
        for (long long t = tFirst; t <= tLast; ++t) {
            // minorStart + round(t * minor / n), halves rounded up, in exact integers.
            const long long num = 2 * t * minor + n;
            const long long q = num >= 0 ? num / (2 * n) : -((-num + 2 * n - 1) / (2 * n));
            const long long m = start + step * t;
            const long long o = minorStart + q;
            if (xMajor) {
                plot(m, o, color);
            } else {
                plot(o, m, color);
            }
        }
    }
    void spendBox(const QRectF& box)
    {
        const QRectF visible = box.intersected(QRectF(st.clip));
        if (!visible.isEmpty()) {
            spend(static_cast<long long>(std::ceil(visible.width() + 1) * std::ceil(visible.height() + 1)));
        }
    }
    void fillPath(const QPainterPath& path, QRgb color)
    {
        if (st.clip.isEmpty()) {
            return;
        }
        spendBox(path.boundingRect());
        painter_.setClipRect(st.clip);
        painter_.fillPath(path, QColor::fromRgba(color));
    }
    // Strokes a wide pen centred on the outline; points sit on pixel centres.
    void strokePath(QPainterPath path, const Pen& pen)
    {
        if (st.clip.isEmpty()) {
            return;
        }
        const double width = deviceWidth(pen);
        path.translate(0.5, 0.5);
        QRectF box = path.boundingRect();
        box.adjust(-width, -width, width, width);
        spendBox(box);
        painter_.setClipRect(st.clip);
        QPen qpen(QColor::fromRgba(pen.color), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter_.strokePath(path, qpen);
    }
    void drawImage(const QRect& target, const QImage& source, const QRect& from)
    {
        if (st.clip.isEmpty()) {
            return;
        }
        spendBox(QRectF(target));
        painter_.setClipRect(st.clip);
        painter_.drawImage(target, source, from);
    }

    // ---- the drawing functions ----
    const Pen* usablePen() const
    {
        if (st.pen.null) {
            return nullptr;
        }
        if (!st.pen.unsupported.empty()) {
            throw Unsupported{st.pen.unsupported};
        }
        return &st.pen;
    }
    const Brush* usableBrush() const
    {
        if (st.brush.null) {
            return nullptr;
        }
        if (!st.brush.unsupported.empty()) {
            throw Unsupported{st.brush.unsupported};
        }
        return &st.brush;
    }
    static void order(DevicePoint& a, DevicePoint& b)
    {
        if (a.x > b.x) {
            std::swap(a.x, b.x);
        }
        if (a.y > b.y) {
            std::swap(a.y, b.y);
        }
    }

    void rectangle(double l, double t, double r, double b)
    {
        DevicePoint p = point(l, t);
        DevicePoint q = point(r, b);
        order(p, q);
        const Pen* pen = usablePen();
        const Brush* brush = usableBrush();
        if (pen == nullptr) {
            if (brush != nullptr) {
                fill(p.x, p.y, q.x - 1, q.y - 1, brush->color);
            }
            return;
        }
        if (deviceWidth(*pen) <= 1) {
            if (brush != nullptr) {
                fill(p.x + 1, p.y + 1, q.x - 1, q.y - 1, brush->color);
            }
            if (q.x - p.x >= 1 && q.y - p.y >= 1) {
                fill(p.x, p.y, q.x, p.y + 1, pen->color);
                fill(p.x, q.y - 1, q.x, q.y, pen->color);
                fill(p.x, p.y + 1, p.x + 1, q.y - 1, pen->color);
                fill(q.x - 1, p.y + 1, q.x, q.y - 1, pen->color);
            }
            return;
        }
        if (brush != nullptr) {
            fill(p.x, p.y, q.x - 1, q.y - 1, brush->color);
        }
        QPainterPath outline;
        outline.addRect(QRectF(double(p.x), double(p.y), double(q.x - p.x - 1), double(q.y - p.y - 1)));
        strokePath(outline, *pen);
    }

    // The pixels of row y whose centres lie inside the ellipse in the box [l, r) x [t, b), as
    // [x0, x1); mirrored exactly so that the shape is symmetric.
    static bool ellipseSpan(long long l, long long t, long long r, long long b, long long y, long long& x0,
                            long long& x1)
    {
        if (r <= l || b <= t || y < t || y >= b) {
            return false;
        }
        const double v = (double(y) + 0.5 - double(t + b) / 2) / (double(b - t) / 2);
        const double q = 1 - v * v;
        if (q < 0) {
            return false;
        }
        const double half = double(r - l) / 2 * std::sqrt(q);
        x0 = static_cast<long long>(std::ceil(double(l + r) / 2 - half - 0.5));
        x1 = l + r - x0;
        return x0 < x1;
    }

    void ellipse(double l, double t, double r, double b)
    {
        DevicePoint p = point(l, t);
        DevicePoint q = point(r, b);
        order(p, q);
        const Pen* pen = usablePen();
        const Brush* brush = usableBrush();
        if (pen != nullptr && deviceWidth(*pen) > 1) {
            if (brush != nullptr) {
                QPainterPath inside;
                inside.addEllipse(QRectF(double(p.x), double(p.y), double(q.x - p.x), double(q.y - p.y)));
                fillPath(inside, brush->color);
            }
            QPainterPath outline;
            outline.addEllipse(
                QRectF(double(p.x), double(p.y), double(q.x - p.x - 1), double(q.y - p.y - 1)));
            strokePath(outline, *pen);
            return;
        }
        // Without a pen the box is a pixel smaller each way, as for Rectangle. A one-pixel pen
        // takes what the box's ellipse has beyond the ellipse of the box a pixel smaller.
        const long long rowFirst = std::max<long long>(p.y, st.clip.top());
        const long long rowEnd = std::min<long long>(q.y, st.clip.bottom() + 1LL);
        for (long long y = rowFirst; y < rowEnd; ++y) {
            long long o0 = 0, o1 = 0, i0 = 0, i1 = 0;
            if (pen == nullptr) {
                if (brush != nullptr && ellipseSpan(p.x, p.y, q.x - 1, q.y - 1, y, o0, o1)) {
                    fill(o0, y, o1, y + 1, brush->color);
                }
                continue;
            }
            if (!ellipseSpan(p.x, p.y, q.x, q.y, y, o0, o1)) {
                continue;
            }
            if (ellipseSpan(p.x + 1, p.y + 1, q.x - 1, q.y - 1, y, i0, i1)) {
                fill(o0, y, i0, y + 1, pen->color);
                fill(i1, y, o1, y + 1, pen->color);
                if (brush != nullptr) {
                    fill(i0, y, i1, y + 1, brush->color);
                }
            } else {
                fill(o0, y, o1, y + 1, pen->color);
            }
        }
    }

    using Ring = std::vector<DevicePoint>;

    void polyPolygon(const std::vector<Ring>& rings)
    {
        const Brush* brush = usableBrush();
        const Pen* pen = usablePen();
        if (brush != nullptr) {
            QPainterPath path;
            path.setFillRule(st.winding ? Qt::WindingFill : Qt::OddEvenFill);
            for (const Ring& ring : rings) {
                if (ring.size() < 2) {
                    continue;
                }
                path.moveTo(double(ring[0].x), double(ring[0].y));
                for (std::size_t i = 1; i < ring.size(); ++i) {
                    path.lineTo(double(ring[i].x), double(ring[i].y));
                }
                path.closeSubpath();
            }
            fillPath(path, brush->color);
        }
        if (pen != nullptr) {
            for (const Ring& ring : rings) {
                outline(ring, true, *pen);
            }
        }
    }

    void outline(const Ring& ring, bool closed, const Pen& pen)
    {
        if (ring.size() < 2) {
            return;
        }
        if (deviceWidth(pen) <= 1) {
            for (std::size_t i = 1; i < ring.size(); ++i) {
                line(ring[i - 1], ring[i], pen.color);
            }
            if (closed) {
                line(ring.back(), ring.front(), pen.color);
            }
            return;
        }
        QPainterPath path;
        path.moveTo(double(ring[0].x), double(ring[0].y));
        for (std::size_t i = 1; i < ring.size(); ++i) {
            path.lineTo(double(ring[i].x), double(ring[i].y));
        }
        if (closed) {
            path.closeSubpath();
        }
        strokePath(path, pen);
    }

    void polyline(const Ring& ring)
    {
        if (const Pen* pen = usablePen()) {
            outline(ring, false, *pen);
        }
    }

    void lineTo(double x, double y)
    {
        const Ring ring{point(st.curX, st.curY), point(x, y)};
        st.curX = x;
        st.curY = y;
        polyline(ring);
    }

    void setPixel(double x, double y, QRgb color)
    {
        const DevicePoint p = point(x, y);
        spend(1);
        plot(p.x, p.y, color);
    }

    void patBlt(double x, double y, double w, double h, std::uint32_t rop)
    {
        QRgb color = 0;
        switch (rop) {
        case 0x00F00021: { // PATCOPY
            const Brush* brush = usableBrush();
            if (brush == nullptr) {
                return;
            }
            color = brush->color;
            break;
        }
        case 0x00000042: // BLACKNESS
            color = Opaque;
            break;
        case 0x00FF0062: // WHITENESS
            color = Opaque | 0xFFFFFF;
            break;
        default:
            throw Unsupported{hexName("Rasteroperation", rop >> 16)};
        }
        DevicePoint p = point(x, y);
        DevicePoint q = point(x + w, y + h);
        order(p, q);
        fill(p.x, p.y, q.x, q.y, color);
    }

    // Copies a bitmap: the source rectangle (in the bitmap's pixels, y from its top) onto the
    // logical destination rectangle, each target pixel taking one source pixel.
    void stretchBitmap(double x, double y, double w, double h, const QImage& bitmap, QRect from,
                       std::uint32_t rop)
    {
        if (rop != 0x00CC0020) { // SRCCOPY
            throw Unsupported{hexName("Rasteroperation", rop >> 16)};
        }
        const DevicePoint p = point(x, y);
        const DevicePoint q = point(x + w, y + h);
        if (q.x < p.x || q.y < p.y || from.width() < 0 || from.height() < 0) {
            throw Unsupported{"gespiegelte Bitmap"};
        }
        if (q.x == p.x || q.y == p.y || from.isEmpty()) {
            return;
        }
        // Inside the image (plus a margin) the target fits in an int; the clip cuts the rest.
        const QRect target(static_cast<int>(std::clamp(p.x, -CoordLimit, CoordLimit)),
                           static_cast<int>(std::clamp(p.y, -CoordLimit, CoordLimit)),
                           static_cast<int>(std::min(q.x - p.x, CoordLimit)),
                           static_cast<int>(std::min(q.y - p.y, CoordLimit)));
        drawImage(target, bitmap, from);
    }

    void intersectClip(double l, double t, double r, double b)
    {
        DevicePoint p = point(l, t);
        DevicePoint q = point(r, b);
        order(p, q);
        const long long cl = std::max<long long>(p.x, st.clip.left());
        const long long ct = std::max<long long>(p.y, st.clip.top());
        const long long cr = std::min<long long>(q.x, st.clip.right() + 1LL);
        const long long cb = std::min<long long>(q.y, st.clip.bottom() + 1LL);
        st.clip = cl < cr && ct < cb ? QRect(static_cast<int>(cl), static_cast<int>(ct),
                                             static_cast<int>(cr - cl), static_cast<int>(cb - ct))
                                     : QRect();
    }
    void resetClip() { st.clip = image_.rect(); }

    void save()
    {
        if (saved_.size() >= 4096) {
            throw Damage{"zu viele gespeicherte Zeichenzustände"};
        }
        saved_.push_back(st);
    }
    // GDI: a negative number counts back from the latest saved state, a positive one names
    // the state by its number (1 = the first saved).
    void restore(long long which)
    {
        const long long count = static_cast<long long>(saved_.size());
        const long long index = which < 0 ? count + which : which - 1;
        if (index < 0 || index >= count) {
            return; // Windows ignores a state that was never saved
        }
        st = saved_[static_cast<std::size_t>(index)];
        saved_.resize(static_cast<std::size_t>(index));
    }

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
long long budgetFor(int width, int height)
{
    return std::max(64LL * width * height, 16LL * 1024 * 1024);
}

QImage makeImage(long long width, long long height, const MetafileLimits& limits)
{
    if (width <= 0 || height <= 0) {
        throw Damage{"das Bild hat keine Größe"};
    }
    if (width > limits.maxSide || height > limits.maxSide || width * height > limits.maxPixels) {
        throw Damage{"das Bild ist zu groß"};
    }
    const long long longer = std::max(width, height);
    if (limits.fitSide > 0 && longer > limits.fitSide) {
        const auto reduce = [&](long long side) {
            return std::max(1LL, (side * limits.fitSide + longer / 2) / longer);
        };
        width = reduce(width);
        height = reduce(height);
    }
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        throw Damage{"zu wenig Speicher für das Bild"};
    }
    image.fill(Qt::transparent);
    return image;
}

// A device-independent bitmap (information header, colour table, pixel bits), decoded by
// Qt's bitmap reader after its sizes have been checked against the bytes that hold it.
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

// The source rectangle of a DIB blit in the decoded image's rows (top row first). The file
// counts y from the bottom for a bottom-up bitmap.
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

Pen makePen(unsigned style, double width, std::uint32_t color, bool cosmetic)
{
    Pen pen;
    switch (style & 0x0F) {
    case 0: // PS_SOLID
    case 6: // PS_INSIDEFRAME, drawn as solid
        break;
    case 5: // PS_NULL
        pen.null = true;
        break;
    default:
        pen.unsupported = hexName("Stiftart", style & 0x0F);
    }
    pen.color = colorOf(color);
    pen.cosmetic = cosmetic || width == 0; // width 0: one pixel whatever the mapping
    pen.width = width;
    return pen;
}

Brush makeBrush(std::uint32_t style, std::uint32_t color)
{
    Brush brush;
    switch (style) {
    case 0: // BS_SOLID
        brush.color = colorOf(color);
        break;
    case 1: // BS_NULL
        brush.null = true;
        break;
    default:
        brush.unsupported = hexName("Pinselart", style);
    }
    return brush;
}

// ---------------------------------------------------------------------------------------------
// WMF

class WmfPlayer {
  public:
    WmfPlayer(Canvas& canvas, const MetafileLimits& limits) : c_(canvas), limits_(limits) {}

    // Plays one record; false at the end-of-file record.
    bool play(unsigned function, const Bytes& p)
    {
        DcState& st = c_.st;
        switch (function) {
        case 0x0000: // EOF
            return false;
        case 0x020B: // SetWindowOrg
            st.woy = p.s16(0);
            st.wox = p.s16(2);
            break;
        case 0x020C: // SetWindowExt
            st.wey = p.s16(0);
            st.wex = p.s16(2);
            break;
        case 0x020F: // OffsetWindowOrg
            st.woy += p.s16(0);
            st.wox += p.s16(2);
            break;
        case 0x0410: // ScaleWindowExt
            scale(st.wey, p.s16(2), p.s16(0));
            scale(st.wex, p.s16(6), p.s16(4));
            break;
        // The viewport is the picture's rectangle and the mapping is anisotropic: the
        // picture's own viewport and mapping-mode records do not change where it lands.
        case 0x020D: // SetViewportOrg
        case 0x020E: // SetViewportExt
        case 0x0211: // OffsetViewportOrg
        case 0x0412: // ScaleViewportExt
        case 0x0103: // SetMapMode
        // State for text, background, palettes and stretching; comments.
        case 0x0102: // SetBkMode
        case 0x0201: // SetBkColor
        case 0x0209: // SetTextColor
        case 0x012E: // SetTextAlign
        case 0x0107: // SetStretchBltMode
        case 0x0231: // SetMapperFlags
        case 0x020A: // SetTextJustification
        case 0x0108: // SetTextCharExtra
        case 0x0105: // SetRelAbs
        case 0x0626: // Escape
        case 0x0035: // RealizePalette
        case 0x0234: // SelectPalette
        case 0x0037: // SetPalEntries
        case 0x0139: // ResizePalette
        case 0x0436: // AnimatePalette
            break;
        case 0x0104: // SetROP2
            if (p.u16(0) != 13) {
                throw Unsupported{hexName("ROP2", p.u16(0))};
            }
            break;
        case 0x0106: // SetPolyFillMode
            st.winding = p.u16(0) == 2;
            break;
        case 0x001E: // SaveDC
            c_.save();
            break;
        case 0x0127: // RestoreDC
            c_.restore(p.s16(0));
            break;
        case 0x012D: // SelectObject
            select(p.u16(0));
            break;
        case 0x01F0: // DeleteObject
            if (p.u16(0) < objects_.size()) {
                objects_[p.u16(0)].reset();
            }
            break;
        case 0x02FA: { // CreatePenIndirect
            GdiObject o;
            o.kind = GdiObject::Kind::Pen;
            o.pen = makePen(p.u16(0), std::abs(p.s16(2)), p.u32(6), false);
            add(o);
            break;
        }
        case 0x02FC: { // CreateBrushIndirect
            GdiObject o;
            o.kind = GdiObject::Kind::Brush;
            o.brush = makeBrush(p.u16(0), p.u32(2));
            add(o);
            break;
        }
        case 0x02FB: // CreateFontIndirect
        case 0x00F7: // CreatePalette
        case 0x06FF: // CreateRegion
            add(GdiObject{});
            break;
        case 0x01F9:   // CreatePatternBrush
        case 0x0142: { // DibCreatePatternBrush
            GdiObject o;
            o.kind = GdiObject::Kind::Brush;
            o.brush.unsupported = hexName("WMF", function);
            add(o);
            break;
        }
        case 0x041B: // Rectangle
            c_.rectangle(p.s16(6), p.s16(4), p.s16(2), p.s16(0));
            break;
        case 0x0418: // Ellipse
            c_.ellipse(p.s16(6), p.s16(4), p.s16(2), p.s16(0));
            break;
        case 0x0324: // Polygon
            c_.polyPolygon({points(p, 2, p.u16(0))});
            break;
        case 0x0325: // Polyline
            c_.polyline(points(p, 2, p.u16(0)));
            break;
        case 0x0538: { // PolyPolygon
            const unsigned rings = p.u16(0);
            std::size_t at = 2 + 2 * std::size_t{rings};
            if (!p.has(0, at)) {
                throw Damage{"ein Vieleck hat mehr Teile als sein Datensatz"};
            }
            std::vector<Canvas::Ring> all;
            for (unsigned i = 0; i < rings; ++i) {
                const unsigned n = p.u16(2 + 2 * std::size_t{i});
                all.push_back(points(p, at, n));
                at += 4 * std::size_t{n};
            }
            c_.polyPolygon(all);
            break;
        }
        case 0x0214: // MoveTo
            st.curY = p.s16(0);
            st.curX = p.s16(2);
            break;
        case 0x0213: // LineTo
            c_.lineTo(p.s16(2), p.s16(0));
            break;
        case 0x041F: // SetPixel
            c_.setPixel(p.s16(6), p.s16(4), colorOf(p.u32(0)));
            break;
        case 0x061D: // PatBlt
            c_.patBlt(p.s16(10), p.s16(8), p.s16(6), p.s16(4), p.u32(0));
            break;
        case 0x0416: // IntersectClipRect
            c_.intersectClip(p.s16(6), p.s16(4), p.s16(2), p.s16(0));
            break;
        case 0x0F43: { // StretchDIB
            if (p.u16(4) != 0) {
                throw Unsupported{"Bitmap mit Palettenindizes"};
            }
            blit(p, 22, p.s16(20), p.s16(18), p.s16(16), p.s16(14), p.s16(12), p.s16(10), p.s16(8), p.s16(6),
                 p.u32(0));
            break;
        }
        case 0x0B41: // DibStretchBlt
            blit(p, 20, p.s16(18), p.s16(16), p.s16(14), p.s16(12), p.s16(10), p.s16(8), p.s16(6), p.s16(4),
                 p.u32(0));
            break;
        case 0x0940: // DibBitBlt
            blit(p, 16, p.s16(14), p.s16(12), p.s16(10), p.s16(8), p.s16(6), p.s16(4), p.s16(10), p.s16(8),
                 p.u32(0));
            break;
        default:
            throw Unsupported{hexName("WMF", function)};
        }
        return true;
    }

  private:
    static void scale(double& ext, int num, int denom)
    {
        if (denom != 0) {
            ext = ext * num / denom;
        }
    }

    Canvas::Ring points(const Bytes& p, std::size_t at, std::size_t count) const
    {
        if (!p.has(at, 4 * count)) {
            throw Damage{"ein Vieleck hat mehr Punkte als sein Datensatz"};
        }
        Canvas::Ring ring;
        ring.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            ring.push_back(c_.point(p.s16(at + 4 * i), p.s16(at + 4 * i + 2)));
        }
        return ring;
    }

    // Each new object takes the lowest free slot of the table, as Windows numbers them.
    void add(const GdiObject& object)
    {
        for (auto& slot : objects_) {
            if (!slot) {
                slot = object;
                return;
            }
        }
        if (objects_.size() >= 65535) {
            throw Damage{"zu viele Zeichenobjekte"};
        }
        objects_.emplace_back(object);
    }

    void select(unsigned index)
    {
        if (index >= objects_.size() || !objects_[index]) {
            return; // Windows ignores an unknown object
        }
        const GdiObject& o = *objects_[index];
        if (o.kind == GdiObject::Kind::Pen) {
            c_.st.pen = o.pen;
        } else if (o.kind == GdiObject::Kind::Brush) {
            c_.st.brush = o.brush;
        }
    }

    void blit(const Bytes& p, std::size_t dibAt, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
              int sh, std::uint32_t rop)
    {
        if (!p.has(dibAt, 4)) {
            throw Unsupported{"Bitblt ohne Bitmap"};
        }
        const Bytes dib = p.sub(dibAt, p.size() - dibAt);
        const Bytes info = dib;
        const QImage bitmap = decodeDib(info, dibBits(dib), limits_);
        c_.stretchBitmap(dx, dy, dw, dh, bitmap, sourceRect(bitmap, isBottomUp(info), sx, sy, sw, sh), rop);
    }

    // The pixel bits of a packed DIB start after its header and colour table.
    static Bytes dibBits(const Bytes& dib)
    {
        const std::uint32_t headerSize = dib.u32(0);
        std::size_t table = 0;
        if (headerSize == 12) {
            const unsigned bitCount = dib.u16(10);
            table = bitCount <= 8 ? 3 * (std::size_t{1} << bitCount) : 0;
        } else {
            const unsigned bitCount = dib.u16(14);
            const std::uint32_t used = dib.u32(32);
            const std::size_t most = bitCount <= 8 ? std::size_t{1} << bitCount : 0;
            const std::size_t entries = used != 0 ? std::min<std::size_t>(used, 1u << 16) : most;
            table = 4 * entries + (dib.u32(16) == 3 && headerSize == 40 ? 12 : 0);
        }
        const std::size_t at = std::size_t{headerSize} + table;
        if (!dib.has(at, 0)) {
            throw Damage{"die Farbtabelle einer Bitmap ist abgeschnitten"};
        }
        return dib.sub(at, dib.size() - at);
    }

    Canvas& c_;
    const MetafileLimits& limits_;
    std::vector<std::optional<GdiObject>> objects_;
};

// ---------------------------------------------------------------------------------------------
// EMF

class EmfPlayer {
  public:
    EmfPlayer(Canvas& canvas, const MetafileLimits& limits) : c_(canvas), limits_(limits) {}

    // Plays one record (type and size included in r); false at the end-of-file record.
    bool play(std::uint32_t type, const Bytes& r)
    {
        DcState& st = c_.st;
        switch (type) {
        case 14: // EOF
            return false;
        case 9: // SetWindowExtEx
            st.wex = r.s32(8);
            st.wey = r.s32(12);
            break;
        case 10: // SetWindowOrgEx
            st.wox = r.s32(8);
            st.woy = r.s32(12);
            break;
        case 11: // SetViewportExtEx
            st.vex = r.s32(8);
            st.vey = r.s32(12);
            break;
        case 12: // SetViewportOrgEx
            st.vox = r.s32(8);
            st.voy = r.s32(12);
            break;
        case 31: // ScaleViewportExtEx
            scale(st.vex, r.s32(8), r.s32(12));
            scale(st.vey, r.s32(16), r.s32(20));
            break;
        case 32: // ScaleWindowExtEx
            scale(st.wex, r.s32(8), r.s32(12));
            scale(st.wey, r.s32(16), r.s32(20));
            break;
        case 17: { // SetMapMode
            const std::uint32_t mode = r.u32(8);
            if (mode >= MmText && mode <= MmAnisotropic) {
                st.mapMode = static_cast<int>(mode);
            }
            break;
        }
        case 35: // SetWorldTransform
            setWorld(r, 4);
            break;
        case 36: // ModifyWorldTransform
            setWorld(r, r.u32(32));
            break;
        // State for text, background, palettes and stretching; comments.
        case 13:  // SetBrushOrgEx
        case 16:  // SetMapperFlags
        case 18:  // SetBkMode
        case 21:  // SetStretchBltMode
        case 22:  // SetTextAlign
        case 23:  // SetColorAdjustment
        case 24:  // SetTextColor
        case 25:  // SetBkColor
        case 48:  // SelectPalette
        case 50:  // SetPaletteEntries
        case 51:  // ResizePalette
        case 52:  // RealizePalette
        case 57:  // SetArcDirection
        case 58:  // SetMiterLimit
        case 98:  // SetIcmMode
        case 120: // SetTextJustification
            break;
        case 70: // GdiComment
            // An EMF+ header without the dual flag: the GDI records do not hold the drawing.
            if (r.size() >= 20 && r.u32(8) >= 8 && r.u32(12) == 0x2B464D45u && r.u16(16) == 0x4001 &&
                (r.u16(18) & 1) == 0) {
                throw Unsupported{"EMF+ ohne EMF-Zeichnung"};
            }
            break;
        case 115: // SetLayout
            if (r.u32(8) != 0) {
                throw Unsupported{"EMF-Layout von rechts nach links"};
            }
            break;
        case 20: // SetROP2
            if (r.u32(8) != 13) {
                throw Unsupported{hexName("ROP2", r.u32(8))};
            }
            break;
        case 19: // SetPolyFillMode
            st.winding = r.u32(8) == 2;
            break;
        case 33: // SaveDC
            c_.save();
            break;
        case 34: // RestoreDC
            c_.restore(r.s32(8));
            break;
        case 37: // SelectObject
            select(r.u32(8));
            break;
        case 40: // DeleteObject
            objects_.erase(r.u32(8));
            break;
        case 38: { // CreatePen
            GdiObject o;
            o.kind = GdiObject::Kind::Pen;
            o.pen = makePen(r.u32(12), std::abs(double(r.s32(16))), r.u32(24), false);
            add(r.u32(8), o);
            break;
        }
        case 95: { // ExtCreatePen
            const std::uint32_t style = r.u32(28);
            GdiObject o;
            o.kind = GdiObject::Kind::Pen;
            const std::uint32_t brushStyle = r.u32(36);
            o.pen = makePen(style & 0x0F, double(r.u32(32)), r.u32(40), (style & 0xF0000) == 0);
            if (brushStyle == 1) {
                o.pen.null = true;
            } else if (brushStyle != 0) {
                o.pen.unsupported = hexName("Stiftpinsel", brushStyle);
            }
            add(r.u32(8), o);
            break;
        }
        case 39: { // CreateBrushIndirect
            GdiObject o;
            o.kind = GdiObject::Kind::Brush;
            o.brush = makeBrush(r.u32(12), r.u32(16));
            add(r.u32(8), o);
            break;
        }
        case 49: // CreatePalette
        case 82: // ExtCreateFontIndirectW
            add(r.u32(8), GdiObject{});
            break;
        case 43: // Rectangle
            c_.rectangle(r.s32(8), r.s32(12), r.s32(16), r.s32(20));
            break;
        case 42: // Ellipse
            c_.ellipse(r.s32(8), r.s32(12), r.s32(16), r.s32(20));
            break;
        case 3:  // Polygon
        case 86: // Polygon16
            c_.polyPolygon({points(r, 28, r.u32(24), type == 86)});
            break;
        case 4:  // Polyline
        case 87: // Polyline16
            c_.polyline(points(r, 28, r.u32(24), type == 87));
            break;
        case 6:    // PolylineTo
        case 89: { // PolylineTo16
            Canvas::Ring ring = points(r, 28, r.u32(24), type == 89);
            if (!ring.empty()) {
                ring.insert(ring.begin(), c_.point(st.curX, st.curY));
                st.curX = lastX_;
                st.curY = lastY_;
                c_.polyline(ring);
            }
            break;
        }
        case 7:  // PolyPolyline
        case 90: // PolyPolyline16
        case 8:  // PolyPolygon
        case 91: // PolyPolygon16
        {
            const std::vector<Canvas::Ring> rings = polyRings(r, type == 90 || type == 91);
            if (type == 7 || type == 90) {
                for (const Canvas::Ring& ring : rings) {
                    c_.polyline(ring);
                }
            } else {
                c_.polyPolygon(rings);
            }
            break;
        }
        case 27: // MoveToEx
            st.curX = r.s32(8);
            st.curY = r.s32(12);
            break;
        case 54: // LineTo
            c_.lineTo(r.s32(8), r.s32(12));
            break;
        case 15: // SetPixelV
            c_.setPixel(r.s32(8), r.s32(12), colorOf(r.u32(16)));
            break;
        case 30: // IntersectClipRect
            c_.intersectClip(r.s32(8), r.s32(12), r.s32(16), r.s32(20));
            break;
        case 75: // SelectClipRgn
            if (r.u32(8) != 0 || r.u32(12) != 5) {
                throw Unsupported{"EMF-Clipregion"};
            }
            c_.resetClip();
            break;
        case 76: { // BitBlt
            const std::uint32_t rop = r.u32(40);
            if (r.u32(88) == 0) { // no source bitmap: a pattern blit
                c_.patBlt(r.s32(24), r.s32(28), r.s32(32), r.s32(36), rop);
                break;
            }
            if (r.f32(52) != 1 || r.f32(56) != 0 || r.f32(60) != 0 || r.f32(64) != 1 || r.f32(68) != 0 ||
                r.f32(72) != 0) {
                throw Unsupported{"EMF-Bitblt mit Quelltransformation"};
            }
            blit(r, r.u32(84), r.u32(88), r.u32(92), r.u32(96), r.u32(80), r.s32(24), r.s32(28), r.s32(32),
                 r.s32(36), r.s32(44), r.s32(48), r.s32(32), r.s32(36), rop);
            break;
        }
        case 81: // StretchDIBits
            blit(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), r.u32(64), r.s32(24), r.s32(28), r.s32(72),
                 r.s32(76), r.s32(32), r.s32(36), r.s32(40), r.s32(44), r.u32(68));
            break;
        default:
            throw Unsupported{hexName("EMF", type)};
        }
        return true;
    }

  private:
    static void scale(double& ext, std::int32_t num, std::int32_t denom)
    {
        if (denom != 0) {
            ext = ext * num / denom;
        }
    }

    void setWorld(const Bytes& r, std::uint32_t mode)
    {
        DcState& st = c_.st;
        if (mode == 1) { // identity
            st.m11 = st.m22 = 1;
            st.dx = st.dy = 0;
            return;
        }
        const double m11 = r.f32(8), m12 = r.f32(12), m21 = r.f32(16), m22 = r.f32(20);
        const double dx = r.f32(24), dy = r.f32(28);
        if (m12 != 0 || m21 != 0 || !std::isfinite(m11) || !std::isfinite(m22) || !std::isfinite(dx) ||
            !std::isfinite(dy)) {
            throw Unsupported{"gedrehte Welttransformation"};
        }
        switch (mode) {
        case 2: // left multiply: the new transform applies first
            st.dx = dx * st.m11 + st.dx;
            st.dy = dy * st.m22 + st.dy;
            st.m11 *= m11;
            st.m22 *= m22;
            break;
        case 3: // right multiply: the new transform applies last
            st.m11 *= m11;
            st.m22 *= m22;
            st.dx = st.dx * m11 + dx;
            st.dy = st.dy * m22 + dy;
            break;
        case 4: // set
            st.m11 = m11;
            st.m22 = m22;
            st.dx = dx;
            st.dy = dy;
            break;
        default:
            throw Damage{"unbekannte Art der Welttransformation"};
        }
    }

    Canvas::Ring points(const Bytes& r, std::size_t at, std::size_t count, bool small)
    {
        const std::size_t size = small ? 4 : 8;
        if (count > r.size() / size || !r.has(at, size * count)) {
            throw Damage{"ein Vieleck hat mehr Punkte als sein Datensatz"};
        }
        Canvas::Ring ring;
        ring.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t o = at + size * i;
            lastX_ = small ? r.s16(o) : r.s32(o);
            lastY_ = small ? r.s16(o + 2) : r.s32(o + 4);
            ring.push_back(c_.point(lastX_, lastY_));
        }
        return ring;
    }

    std::vector<Canvas::Ring> polyRings(const Bytes& r, bool small)
    {
        const std::uint32_t rings = r.u32(24);
        const std::uint32_t total = r.u32(28);
        if (rings > r.size() / 4 || !r.has(32, 4 * std::size_t{rings})) {
            throw Damage{"ein Vieleck hat mehr Teile als sein Datensatz"};
        }
        std::size_t at = 32 + 4 * std::size_t{rings};
        std::size_t sum = 0;
        std::vector<Canvas::Ring> all;
        all.reserve(rings);
        for (std::uint32_t i = 0; i < rings; ++i) {
            const std::uint32_t n = r.u32(32 + 4 * std::size_t{i});
            sum += n;
            if (sum > total) {
                throw Damage{"ein Vieleck hat mehr Punkte als angegeben"};
            }
            all.push_back(points(r, at, n, small));
            at += (small ? 4 : 8) * std::size_t{n};
        }
        return all;
    }

    void add(std::uint32_t handle, const GdiObject& object)
    {
        if (handle == 0 || (handle & 0x80000000u) != 0) {
            throw Damage{"ein Zeichenobjekt hat eine ungültige Nummer"};
        }
        objects_[handle] = object;
    }

    void select(std::uint32_t handle)
    {
        DcState& st = c_.st;
        if ((handle & 0x80000000u) != 0) {
            const auto gray = [](unsigned v) { return Opaque | (v << 16) | (v << 8) | v; };
            switch (handle & 0x7FFFFFFFu) {
            case 0:  // WHITE_BRUSH
            case 18: // DC_BRUSH, white until SetDCBrushColor
                st.brush = Brush{false, gray(255), {}};
                break;
            case 1: // LTGRAY_BRUSH
                st.brush = Brush{false, gray(192), {}};
                break;
            case 2: // GRAY_BRUSH
                st.brush = Brush{false, gray(128), {}};
                break;
            case 3: // DKGRAY_BRUSH
                st.brush = Brush{false, gray(64), {}};
                break;
            case 4: // BLACK_BRUSH
                st.brush = Brush{false, Opaque, {}};
                break;
            case 5: // NULL_BRUSH
                st.brush = Brush{true, Opaque, {}};
                break;
            case 6: // WHITE_PEN
                st.pen = Pen{};
                st.pen.color = gray(255);
                break;
            case 7:  // BLACK_PEN
            case 19: // DC_PEN, black until SetDCPenColor
                st.pen = Pen{};
                break;
            case 8: // NULL_PEN
                st.pen = Pen{};
                st.pen.null = true;
                break;
            default: // fonts and the default palette
                break;
            }
            return;
        }
        const auto it = objects_.find(handle);
        if (it == objects_.end()) {
            return; // Windows ignores an unknown object
        }
        if (it->second.kind == GdiObject::Kind::Pen) {
            st.pen = it->second.pen;
        } else if (it->second.kind == GdiObject::Kind::Brush) {
            st.brush = it->second.brush;
        }
    }

    // A DIB blit: the bitmap information and bits lie at offsets within the record.
    void blit(const Bytes& r, std::uint32_t offInfo, std::uint32_t sizeInfo, std::uint32_t offBits,
              std::uint32_t sizeBits, std::uint32_t usage, int dx, int dy, int dw, int dh, int sx, int sy,
              int sw, int sh, std::uint32_t rop)
    {
        if (usage != 0) {
            throw Unsupported{"Bitmap mit Palettenindizes"};
        }
        if (!r.has(offInfo, sizeInfo) || !r.has(offBits, sizeBits)) {
            throw Damage{"eine Bitmap liegt außerhalb ihres Datensatzes"};
        }
        const Bytes info = r.sub(offInfo, sizeInfo);
        const QImage bitmap = decodeDib(info, r.sub(offBits, sizeBits), limits_);
        c_.stretchBitmap(dx, dy, dw, dh, bitmap, sourceRect(bitmap, isBottomUp(info), sx, sy, sw, sh), rop);
    }

    Canvas& c_;
    const MetafileLimits& limits_;
    std::map<std::uint32_t, GdiObject> objects_;
    double lastX_ = 0;
    double lastY_ = 0;
};

[[noreturn]] void fail(const std::string& fileName, const std::string& why)
{
    throw EPictureError("Die Metadatei " + fileName + " kann nicht gelesen werden: " + why);
}

Bytes bytesOf(const QByteArray& data)
{
    return {reinterpret_cast<const unsigned char*>(data.constData()), static_cast<std::size_t>(data.size())};
}

QImage finish(QImage image)
{
    QImage argb = std::move(image).convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) {
        throw Damage{"zu wenig Speicher für das Bild"};
    }
    return argb;
}

MetafilePlayback playWmfBytes(const Bytes& b, const MetafileLimits& limits)
{
    if (!b.has(0, 4) || b.u32(0) != 0x9AC6CDD7u) {
        // Without the placeable header a WMF does not say how large it is.
        return {QImage(), "WMF ohne Platzierungskopf"};
    }
    if (!b.has(0, 22 + 18)) {
        throw Damage{"der Kopf ist abgeschnitten"};
    }
    const int left = b.s16(6);
    const int top = b.s16(8);
    const int right = b.s16(10);
    const int bottom = b.s16(12);
    const unsigned inch = b.u16(14);
    const unsigned type = b.u16(22);
    const unsigned headerWords = b.u16(24);
    if ((type != 1 && type != 2) || headerWords != 9) {
        throw Damage{"keine Windows-Metadatei"};
    }
    if (inch == 0) {
        throw Damage{"die Einheiten je Zoll fehlen"};
    }
    // The picture's size at 96 pixels an inch, as the screen shows it.
    const auto pixels = [inch](int units) { return (std::abs(units) * 96LL + inch / 2) / inch; };
    QImage image = makeImage(pixels(right - left), pixels(bottom - top), limits);
    {
        Canvas canvas(image, budgetFor(image.width(), image.height()));
        // The placeable bounds map onto the picture until the file sets its own window.
        canvas.st.mapMode = MmAnisotropic;
        canvas.st.wox = left;
        canvas.st.woy = top;
        canvas.st.wex = right - left;
        canvas.st.wey = bottom - top;
        canvas.st.vex = image.width();
        canvas.st.vey = image.height();
        WmfPlayer player(canvas, limits);
        std::size_t at = 22 + 2 * std::size_t{headerWords};
        while (b.has(at, 6)) {
            const std::uint64_t bytes = 2 * std::uint64_t{b.u32(at)};
            if (bytes < 6 || bytes > b.size() - at) {
                throw Damage{"ein Datensatz reicht über das Dateiende"};
            }
            const Bytes params = b.sub(at + 6, static_cast<std::size_t>(bytes) - 6);
            if (!player.play(b.u16(at + 4), params)) {
                break;
            }
            at += static_cast<std::size_t>(bytes);
        }
    }
    return {finish(std::move(image)), {}};
}

MetafilePlayback playEmfBytes(const Bytes& b, const MetafileLimits& limits)
{
    if (!b.has(0, 88) || b.u32(0) != 1 || b.u32(40) != 0x464D4520u) {
        throw Damage{"keine erweiterte Metadatei"};
    }
    const std::uint32_t headerSize = b.u32(4);
    if (headerSize < 88 || headerSize % 4 != 0 || headerSize > b.size()) {
        throw Damage{"der Kopf ist beschädigt"};
    }
    const long long boundsL = b.s32(8), boundsT = b.s32(12), boundsR = b.s32(16), boundsB = b.s32(20);
    const long long frameL = b.s32(24), frameT = b.s32(28), frameR = b.s32(32), frameB = b.s32(36);
    const long long devX = b.s32(72), devY = b.s32(76), mmX = b.s32(80), mmY = b.s32(84);
    const double perMmX = devX > 0 && mmX > 0 ? double(devX) / double(mmX) : 96 / 25.4;
    const double perMmY = devY > 0 && mmY > 0 ? double(devY) / double(mmY) : 96 / 25.4;

    // The frame (0.01 mm) gives the picture's size at 96 pixels an inch; recorded page pixels
    // map onto it. A frame within half a pixel of the recorded size maps one to one.
    long long width = 0;
    long long height = 0;
    double originX = 0, originY = 0, scaleX = 1, scaleY = 1;
    if (frameR > frameL && frameB > frameT) {
        width = ((frameR - frameL) * 96 + 1270) / 2540;
        height = ((frameB - frameT) * 96 + 1270) / 2540;
        const auto fit = [](long long from, long long to, double perMm, long long pixels, double& origin,
                            double& scale) {
            origin = double(from) / 100 * perMm;
            const double recorded = double(to - from) / 100 * perMm;
            scale = recorded > 0 ? double(pixels) / recorded : 1;
            if (std::abs(scale - 1) * double(pixels) < 0.5) {
                scale = 1;
                origin = std::floor(origin + 0.5);
            }
        };
        fit(frameL, frameR, perMmX, width, originX, scaleX);
        fit(frameT, frameB, perMmY, height, originY, scaleY);
    } else {
        // No frame: the bounds of the drawing (inclusive page pixels).
        width = boundsR - boundsL + 1;
        height = boundsB - boundsT + 1;
        originX = double(boundsL);
        originY = double(boundsT);
    }
    QImage image = makeImage(width, height, limits);
    {
        Canvas canvas(image, budgetFor(image.width(), image.height()));
        canvas.originX = originX;
        canvas.originY = originY;
        // A picture reduced to fit is drawn at the reduced scale.
        canvas.scaleX = scaleX * double(image.width()) / double(width);
        canvas.scaleY = scaleY * double(image.height()) / double(height);
        canvas.pixelsPerMmX = perMmX;
        canvas.pixelsPerMmY = perMmY;
        EmfPlayer player(canvas, limits);
        std::size_t at = headerSize;
        while (b.has(at, 8)) {
            const std::uint32_t type = b.u32(at);
            const std::uint32_t size = b.u32(at + 4);
            if (size < 8 || size % 4 != 0 || size > b.size() - at) {
                throw Damage{"ein Datensatz reicht über das Dateiende"};
            }
            if (type == 1) {
                throw Damage{"ein zweiter Kopf mitten in der Datei"};
            }
            if (!player.play(type, b.sub(at, size))) {
                break;
            }
            at += size;
        }
    }
    return {finish(std::move(image)), {}};
}

template <typename Play> MetafilePlayback guarded(Play play, const std::string& fileName)
{
    try {
        return play();
    } catch (const Damage& damage) {
        fail(fileName, damage.why);
    } catch (const Unsupported& unsupported) {
        return {QImage(), unsupported.record};
    }
}

} // namespace

MetafilePlayback MetafilePlayer::playWmf(const QByteArray& data, const std::string& fileName,
                                         const MetafileLimits& limits)
{
    return guarded([&] { return playWmfBytes(bytesOf(data), limits); }, fileName);
}

MetafilePlayback MetafilePlayer::playEmf(const QByteArray& data, const std::string& fileName,
                                         const MetafileLimits& limits)
{
    return guarded([&] { return playEmfBytes(bytesOf(data), limits); }, fileName);
}

} // namespace pagolux
