#include "picture/MetafileCanvas.h"

#include "picture/MetafileRecords.h"

namespace pagolux::metafile {

Canvas::Canvas(QImage& image, long long budget) : image_(image), budget_(budget)
{
    bits_ = reinterpret_cast<QRgb*>(image_.bits());
    stride_ = static_cast<std::size_t>(image_.bytesPerLine() / 4);
    st.clip = image_.rect();
    painter_.begin(&image_);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

void Canvas::mapScale(double& sx, double& sy) const
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

QPointF Canvas::exact(double x, double y) const
{
    double sx = 1;
    double sy = 1;
    mapScale(sx, sy);
    const double px = ((x * st.m11 + st.dx) - st.wox) * sx + st.vox;
    const double py = ((y * st.m22 + st.dy) - st.woy) * sy + st.voy;
    return {(px - originX) * scaleX, (py - originY) * scaleY};
}

DevicePoint Canvas::point(double x, double y) const
{
    const QPointF p = exact(x, y);
    return {roundCoord(p.x()), roundCoord(p.y())};
}

double Canvas::deviceWidth(const Pen& pen) const
{
    if (pen.cosmetic) {
        return 1;
    }
    const QPointF a = exact(0, 0);
    const QPointF b = exact(pen.width, 0);
    return std::max(1.0, std::floor(std::hypot(b.x() - a.x(), b.y() - a.y()) + 0.5));
}

void Canvas::spend(long long pixels)
{
    used_ += std::max(0LL, pixels);
    if (used_ > budget_) {
        throw Damage{"die Zeichnung ist zu aufwendig"};
    }
}

void Canvas::fill(long long l, long long t, long long r, long long b, QRgb color)
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

void Canvas::plot(long long x, long long y, QRgb color)
{
    if (st.clip.contains(static_cast<int>(std::clamp(x, -1LL, 1LL << 30)),
                         static_cast<int>(std::clamp(y, -1LL, 1LL << 30)))) {
        bits_[static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x)] = color;
    }
}

void Canvas::line(DevicePoint a, DevicePoint b, QRgb color)
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

void Canvas::spendBox(const QRectF& box)
{
    const QRectF visible = box.intersected(QRectF(st.clip));
    if (!visible.isEmpty()) {
        spend(static_cast<long long>(std::ceil(visible.width() + 1) * std::ceil(visible.height() + 1)));
    }
}

void Canvas::fillPath(const QPainterPath& path, QRgb color)
{
    if (st.clip.isEmpty()) {
        return;
    }
    spendBox(path.boundingRect());
    painter_.setClipRect(st.clip);
    painter_.fillPath(path, QColor::fromRgba(color));
}

void Canvas::strokePath(QPainterPath path, const Pen& pen)
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

void Canvas::drawImage(const QRect& target, const QImage& source, const QRect& from)
{
    if (st.clip.isEmpty()) {
        return;
    }
    spendBox(QRectF(target));
    painter_.setClipRect(st.clip);
    painter_.drawImage(target, source, from);
}

const Pen* Canvas::usablePen() const
{
    if (st.pen.null) {
        return nullptr;
    }
    if (!st.pen.unsupported.empty()) {
        throw Unsupported{st.pen.unsupported};
    }
    return &st.pen;
}

const Brush* Canvas::usableBrush() const
{
    if (st.brush.null) {
        return nullptr;
    }
    if (!st.brush.unsupported.empty()) {
        throw Unsupported{st.brush.unsupported};
    }
    return &st.brush;
}

void Canvas::order(DevicePoint& a, DevicePoint& b)
{
    if (a.x > b.x) {
        std::swap(a.x, b.x);
    }
    if (a.y > b.y) {
        std::swap(a.y, b.y);
    }
}

void Canvas::rectangle(double l, double t, double r, double b)
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

bool Canvas::ellipseSpan(long long l, long long t, long long r, long long b, long long y, long long& x0,
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

void Canvas::ellipse(double l, double t, double r, double b)
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
        outline.addEllipse(QRectF(double(p.x), double(p.y), double(q.x - p.x - 1), double(q.y - p.y - 1)));
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

void Canvas::polyPolygon(const std::vector<Ring>& rings)
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

void Canvas::outline(const Ring& ring, bool closed, const Pen& pen)
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

void Canvas::polyline(const Ring& ring)
{
    if (const Pen* pen = usablePen()) {
        outline(ring, false, *pen);
    }
}

void Canvas::lineTo(double x, double y)
{
    const Ring ring{point(st.curX, st.curY), point(x, y)};
    st.curX = x;
    st.curY = y;
    polyline(ring);
}

void Canvas::setPixel(double x, double y, QRgb color)
{
    const DevicePoint p = point(x, y);
    spend(1);
    plot(p.x, p.y, color);
}

void Canvas::patBlt(double x, double y, double w, double h, std::uint32_t rop)
{
    QRgb color = 0;
    switch (rop) {
    case RopPatCopy: {
        const Brush* brush = usableBrush();
        if (brush == nullptr) {
            return;
        }
        color = brush->color;
        break;
    }
    case RopBlackness:
        color = Opaque;
        break;
    case RopWhiteness:
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

void Canvas::stretchBitmap(double x, double y, double w, double h, const QImage& bitmap, QRect from,
                           std::uint32_t rop)
{
    if (rop != RopSrcCopy) {
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

void Canvas::intersectClip(double l, double t, double r, double b)
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

void Canvas::save()
{
    if (saved_.size() >= 4096) {
        throw Damage{"zu viele gespeicherte Zeichenzustände"};
    }
    saved_.push_back(st);
}

void Canvas::restore(long long which)
{
    const long long count = static_cast<long long>(saved_.size());
    const long long index = which < 0 ? count + which : which - 1;
    if (index < 0 || index >= count) {
        return; // Windows ignores a state that was never saved
    }
    st = saved_[static_cast<std::size_t>(index)];
    saved_.resize(static_cast<std::size_t>(index));
}

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

QImage finishImage(QImage image)
{
    QImage argb = std::move(image).convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) {
        throw Damage{"zu wenig Speicher für das Bild"};
    }
    return argb;
}

Pen makePen(unsigned style, double width, std::uint32_t color, bool cosmetic)
{
    Pen pen;
    switch (style & 0x0F) {
    case PenSolid:
    case PenInsideFrame: // drawn as solid
        break;
    case PenNull:
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
    case BrushSolid:
        brush.color = colorOf(color);
        break;
    case BrushNull:
        brush.null = true;
        break;
    default:
        brush.unsupported = hexName("Pinselart", style);
    }
    return brush;
}

// ---------------------------------------------------------------------------------------------

} // namespace pagolux::metafile
