#include "picture/WmfPlayer.h"

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

class WmfPlayer {
  public:
    using R = WmfRecord;

    WmfPlayer(Canvas& canvas, const MetafileLimits& limits) : c_(canvas), limits_(limits) {}

    // Plays one record; false at the end-of-file record.
    bool play(R function, const Bytes& p)
    {
        DcState& st = c_.st;
        switch (function) {
        case R::Eof:
            return false;
        case R::SetWindowOrg:
            st.woy = p.s16(0);
            st.wox = p.s16(2);
            break;
        case R::SetWindowExt:
            st.wey = p.s16(0);
            st.wex = p.s16(2);
            break;
        case R::OffsetWindowOrg:
            st.woy += p.s16(0);
            st.wox += p.s16(2);
            break;
        case R::ScaleWindowExt:
            scale(st.wey, p.s16(2), p.s16(0));
            scale(st.wex, p.s16(6), p.s16(4));
            break;
        // The viewport is the picture's rectangle and the mapping is anisotropic: the
        // picture's own viewport and mapping-mode records do not change where it lands.
        case R::SetViewportOrg:
        case R::SetViewportExt:
        case R::OffsetViewportOrg:
        case R::ScaleViewportExt:
        case R::SetMapMode:
        // State for text, background, palettes and stretching; comments.
        case R::SetBkMode:
        case R::SetBkColor:
        case R::SetTextColor:
        case R::SetTextAlign:
        case R::SetStretchBltMode:
        case R::SetMapperFlags:
        case R::SetTextJustification:
        case R::SetTextCharExtra:
        case R::SetRelAbs:
        case R::Escape:
        case R::RealizePalette:
        case R::SelectPalette:
        case R::SetPalEntries:
        case R::ResizePalette:
        case R::AnimatePalette:
            break;
        case R::SetROP2:
            if (p.u16(0) != Rop2CopyPen) {
                throw Unsupported{hexName("ROP2", p.u16(0))};
            }
            break;
        case R::SetPolyFillMode:
            st.winding = p.u16(0) == FillWinding;
            break;
        case R::SaveDC:
            c_.save();
            break;
        case R::RestoreDC:
            c_.restore(p.s16(0));
            break;
        case R::SelectObject:
            select(p.u16(0));
            break;
        case R::DeleteObject:
            if (p.u16(0) < objects_.size()) {
                objects_[p.u16(0)].reset();
            }
            break;
        case R::CreatePenIndirect: {
            GdiObject o;
            o.kind = GdiObject::Kind::Pen;
            o.pen = makePen(p.u16(0), std::abs(p.s16(2)), p.u32(6), false);
            add(o);
            break;
        }
        case R::CreateBrushIndirect: {
            GdiObject o;
            o.kind = GdiObject::Kind::Brush;
            o.brush = makeBrush(p.u16(0), p.u32(2));
            add(o);
            break;
        }
        case R::CreateFontIndirect:
        case R::CreatePalette:
        case R::CreateRegion:
            add(GdiObject{});
            break;
        case R::CreatePatternBrush:
        case R::DibCreatePatternBrush: {
            GdiObject o;
            o.kind = GdiObject::Kind::Brush;
            o.brush.unsupported = hexName("WMF", static_cast<unsigned>(function));
            add(o);
            break;
        }
        case R::Rectangle:
            c_.rectangle(p.s16(6), p.s16(4), p.s16(2), p.s16(0));
            break;
        case R::Ellipse:
            c_.ellipse(p.s16(6), p.s16(4), p.s16(2), p.s16(0));
            break;
        case R::Polygon:
            c_.polyPolygon({points(p, 2, p.u16(0))});
            break;
        case R::Polyline:
            c_.polyline(points(p, 2, p.u16(0)));
            break;
        case R::PolyPolygon: {
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
        case R::MoveTo:
            st.curY = p.s16(0);
            st.curX = p.s16(2);
            break;
        case R::LineTo:
            c_.lineTo(p.s16(2), p.s16(0));
            break;
        case R::SetPixel:
            c_.setPixel(p.s16(6), p.s16(4), colorOf(p.u32(0)));
            break;
        case R::PatBlt:
            c_.patBlt(p.s16(10), p.s16(8), p.s16(6), p.s16(4), p.u32(0));
            break;
        case R::IntersectClipRect:
            c_.intersectClip(p.s16(6), p.s16(4), p.s16(2), p.s16(0));
            break;
        case R::StretchDIB: {
            if (p.u16(4) != 0) {
                throw Unsupported{"Bitmap mit Palettenindizes"};
            }
            blit(p, 22, p.s16(20), p.s16(18), p.s16(16), p.s16(14), p.s16(12), p.s16(10), p.s16(8), p.s16(6),
                 p.u32(0));
            break;
        }
        case R::DibStretchBlt:
            blit(p, 20, p.s16(18), p.s16(16), p.s16(14), p.s16(12), p.s16(10), p.s16(8), p.s16(6), p.s16(4),
                 p.u32(0));
            break;
        case R::DibBitBlt:
            blit(p, 16, p.s16(14), p.s16(12), p.s16(10), p.s16(8), p.s16(6), p.s16(4), p.s16(10), p.s16(8),
                 p.u32(0));
            break;
        default:
            throw Unsupported{hexName("WMF", static_cast<unsigned>(function))};
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

} // namespace

MetafilePlayback playWmfRecords(const Bytes& b, const MetafileLimits& limits)
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
            if (!player.play(static_cast<WmfRecord>(b.u16(at + 4)), params)) {
                break;
            }
            at += static_cast<std::size_t>(bytes);
        }
    }
    return {finishImage(std::move(image)), {}};
}

} // namespace pagolux::metafile
