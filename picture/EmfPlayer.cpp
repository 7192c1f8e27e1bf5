#include "picture/EmfPlayer.h"

#include "picture/MetafileBitmap.h"
#include "picture/MetafileCanvas.h"
#include "picture/MetafileRecords.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace pagolux::metafile {

namespace {

class EmfPlayer {
  public:
    using R = EmfRecord;

    EmfPlayer(Canvas& canvas, const MetafileLimits& limits) : c_(canvas), limits_(limits) {}

    // Plays one record (type and size included in r); false at the end-of-file record.
    bool play(R type, const Bytes& r)
    {
        DcState& st = c_.st;
        switch (type) {
        case R::Eof:
            return false;
        case R::SetWindowExtEx:
            st.wex = r.s32(8);
            st.wey = r.s32(12);
            break;
        case R::SetWindowOrgEx:
            st.wox = r.s32(8);
            st.woy = r.s32(12);
            break;
        case R::SetViewportExtEx:
            st.vex = r.s32(8);
            st.vey = r.s32(12);
            break;
        case R::SetViewportOrgEx:
            st.vox = r.s32(8);
            st.voy = r.s32(12);
            break;
        case R::ScaleViewportExtEx:
            scale(st.vex, r.s32(8), r.s32(12));
            scale(st.vey, r.s32(16), r.s32(20));
            break;
        case R::ScaleWindowExtEx:
            scale(st.wex, r.s32(8), r.s32(12));
            scale(st.wey, r.s32(16), r.s32(20));
            break;
        case R::SetMapMode: {
            const std::uint32_t mode = r.u32(8);
            if (mode >= MmText && mode <= MmAnisotropic) {
                st.mapMode = static_cast<int>(mode);
            }
            break;
        }
        case R::SetWorldTransform:
            setWorld(r, 4);
            break;
        case R::ModifyWorldTransform:
            setWorld(r, r.u32(32));
            break;
        // State for text, background, palettes and stretching; comments.
        case R::SetBrushOrgEx:
        case R::SetMapperFlags:
        case R::SetBkMode:
        case R::SetStretchBltMode:
        case R::SetTextAlign:
        case R::SetColorAdjustment:
        case R::SetTextColor:
        case R::SetBkColor:
        case R::SelectPalette:
        case R::SetPaletteEntries:
        case R::ResizePalette:
        case R::RealizePalette:
        case R::SetArcDirection:
        case R::SetMiterLimit:
        case R::SetIcmMode:
        case R::SetTextJustification:
            break;
        case R::GdiComment:
            // An EMF+ header without the dual flag: the GDI records do not hold the drawing.
            if (r.size() >= 20 && r.u32(8) >= 8 && r.u32(12) == 0x2B464D45u && r.u16(16) == 0x4001 &&
                (r.u16(18) & 1) == 0) {
                throw Unsupported{"EMF+ ohne EMF-Zeichnung"};
            }
            break;
        case R::SetLayout:
            if (r.u32(8) != 0) {
                throw Unsupported{"EMF-Layout von rechts nach links"};
            }
            break;
        case R::SetROP2:
            if (r.u32(8) != Rop2CopyPen) {
                throw Unsupported{hexName("ROP2", r.u32(8))};
            }
            break;
        case R::SetPolyFillMode:
            st.winding = r.u32(8) == FillWinding;
            break;
        case R::SaveDC:
            c_.save();
            break;
        case R::RestoreDC:
            c_.restore(r.s32(8));
            break;
        case R::SelectObject:
            select(r.u32(8));
            break;
        case R::DeleteObject:
            objects_.erase(r.u32(8));
            break;
        case R::CreatePen: {
            GdiObject o;
            o.kind = GdiObject::Kind::Pen;
            o.pen = makePen(r.u32(12), std::abs(double(r.s32(16))), r.u32(24), false);
            add(r.u32(8), o);
            break;
        }
        case R::ExtCreatePen: {
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
        case R::CreateBrushIndirect: {
            GdiObject o;
            o.kind = GdiObject::Kind::Brush;
            o.brush = makeBrush(r.u32(12), r.u32(16));
            add(r.u32(8), o);
            break;
        }
        case R::CreatePalette:
        case R::ExtCreateFontIndirectW:
            add(r.u32(8), GdiObject{});
            break;
        case R::Rectangle:
            c_.rectangle(r.s32(8), r.s32(12), r.s32(16), r.s32(20));
            break;
        case R::Ellipse:
            c_.ellipse(r.s32(8), r.s32(12), r.s32(16), r.s32(20));
            break;
        case R::Polygon:
        case R::Polygon16:
            c_.polyPolygon({points(r, 28, r.u32(24), type == R::Polygon16)});
            break;
        case R::Polyline:
        case R::Polyline16:
            c_.polyline(points(r, 28, r.u32(24), type == R::Polyline16));
            break;
        case R::PolylineTo:
        case R::PolylineTo16: {
            Canvas::Ring ring = points(r, 28, r.u32(24), type == R::PolylineTo16);
            if (!ring.empty()) {
                ring.insert(ring.begin(), c_.point(st.curX, st.curY));
                st.curX = lastX_;
                st.curY = lastY_;
                c_.polyline(ring);
            }
            break;
        }
        case R::PolyPolyline:
        case R::PolyPolyline16:
        case R::PolyPolygon:
        case R::PolyPolygon16: {
            const std::vector<Canvas::Ring> rings =
                polyRings(r, type == R::PolyPolyline16 || type == R::PolyPolygon16);
            if (type == R::PolyPolyline || type == R::PolyPolyline16) {
                for (const Canvas::Ring& ring : rings) {
                    c_.polyline(ring);
                }
            } else {
                c_.polyPolygon(rings);
            }
            break;
        }
        case R::MoveToEx:
            st.curX = r.s32(8);
            st.curY = r.s32(12);
            break;
        case R::LineTo:
            c_.lineTo(r.s32(8), r.s32(12));
            break;
        case R::SetPixelV:
            c_.setPixel(r.s32(8), r.s32(12), colorOf(r.u32(16)));
            break;
        case R::IntersectClipRect:
            c_.intersectClip(r.s32(8), r.s32(12), r.s32(16), r.s32(20));
            break;
        case R::SelectClipRgn:
            if (r.u32(8) != 0 || r.u32(12) != 5) {
                throw Unsupported{"EMF-Clipregion"};
            }
            c_.resetClip();
            break;
        case R::BitBlt: {
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
        case R::StretchDIBits:
            blit(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), r.u32(64), r.s32(24), r.s32(28), r.s32(72),
                 r.s32(76), r.s32(32), r.s32(36), r.s32(40), r.s32(44), r.u32(68));
            break;
        default:
            throw Unsupported{hexName("EMF", static_cast<std::uint32_t>(type))};
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

} // namespace

MetafilePlayback playEmfRecords(const Bytes& b, const MetafileLimits& limits)
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
            if (type == static_cast<std::uint32_t>(EmfRecord::Header)) {
                throw Damage{"ein zweiter Kopf mitten in der Datei"};
            }
            if (!player.play(static_cast<EmfRecord>(type), b.sub(at, size))) {
                break;
            }
            at += size;
        }
    }
    return {finishImage(std::move(image)), {}};
}

} // namespace pagolux::metafile
