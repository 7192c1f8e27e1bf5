#pragma once
// The record numbers and GDI constants the metafile players know by name.

#include <cstdint>

namespace pagolux::metafile {

// WMF records: the function number of a record (its size in words comes first).
enum class WmfRecord : std::uint16_t {
    Eof = 0x0000,
    SetWindowOrg = 0x020b,
    SetWindowExt = 0x020c,
    OffsetWindowOrg = 0x020f,
    ScaleWindowExt = 0x0410,
    SetViewportOrg = 0x020d,
    SetViewportExt = 0x020e,
    OffsetViewportOrg = 0x0211,
    ScaleViewportExt = 0x0412,
    SetMapMode = 0x0103,
    SetBkMode = 0x0102,
    SetBkColor = 0x0201,
    SetTextColor = 0x0209,
    SetTextAlign = 0x012e,
    SetStretchBltMode = 0x0107,
    SetMapperFlags = 0x0231,
    SetTextJustification = 0x020a,
    SetTextCharExtra = 0x0108,
    SetRelAbs = 0x0105,
    Escape = 0x0626,
    RealizePalette = 0x0035,
    SelectPalette = 0x0234,
    SetPalEntries = 0x0037,
    ResizePalette = 0x0139,
    AnimatePalette = 0x0436,
    SetROP2 = 0x0104,
    SetPolyFillMode = 0x0106,
    SaveDC = 0x001e,
    RestoreDC = 0x0127,
    SelectObject = 0x012d,
    DeleteObject = 0x01f0,
    CreatePenIndirect = 0x02fa,
    CreateBrushIndirect = 0x02fc,
    CreateFontIndirect = 0x02fb,
    CreatePalette = 0x00f7,
    CreateRegion = 0x06ff,
    CreatePatternBrush = 0x01f9,
    DibCreatePatternBrush = 0x0142,
    Rectangle = 0x041b,
    Ellipse = 0x0418,
    Polygon = 0x0324,
    Polyline = 0x0325,
    PolyPolygon = 0x0538,
    MoveTo = 0x0214,
    LineTo = 0x0213,
    SetPixel = 0x041f,
    PatBlt = 0x061d,
    IntersectClipRect = 0x0416,
    StretchDIB = 0x0f43,
    DibStretchBlt = 0x0b41,
    DibBitBlt = 0x0940,
};

// EMF records: the type that starts each record.
enum class EmfRecord : std::uint32_t {
    Header = 1,
    Eof = 14,
    SetWindowExtEx = 9,
    SetWindowOrgEx = 10,
    SetViewportExtEx = 11,
    SetViewportOrgEx = 12,
    ScaleViewportExtEx = 31,
    ScaleWindowExtEx = 32,
    SetMapMode = 17,
    SetWorldTransform = 35,
    ModifyWorldTransform = 36,
    SetBrushOrgEx = 13,
    SetMapperFlags = 16,
    SetBkMode = 18,
    SetStretchBltMode = 21,
    SetTextAlign = 22,
    SetColorAdjustment = 23,
    SetTextColor = 24,
    SetBkColor = 25,
    SelectPalette = 48,
    SetPaletteEntries = 50,
    ResizePalette = 51,
    RealizePalette = 52,
    SetArcDirection = 57,
    SetMiterLimit = 58,
    SetIcmMode = 98,
    SetTextJustification = 120,
    GdiComment = 70,
    SetLayout = 115,
    SetROP2 = 20,
    SetPolyFillMode = 19,
    SaveDC = 33,
    RestoreDC = 34,
    SelectObject = 37,
    DeleteObject = 40,
    CreatePen = 38,
    ExtCreatePen = 95,
    CreateBrushIndirect = 39,
    CreatePalette = 49,
    ExtCreateFontIndirectW = 82,
    Rectangle = 43,
    Ellipse = 42,
    Polygon = 3,
    Polygon16 = 86,
    Polyline = 4,
    Polyline16 = 87,
    PolylineTo = 6,
    PolylineTo16 = 89,
    PolyPolyline = 7,
    PolyPolyline16 = 90,
    PolyPolygon = 8,
    PolyPolygon16 = 91,
    MoveToEx = 27,
    LineTo = 54,
    SetPixelV = 15,
    IntersectClipRect = 30,
    SelectClipRgn = 75,
    BitBlt = 76,
    StretchDIBits = 81,
};

// Ternary raster operations of PatBlt, BitBlt and the DIB copies.
enum RasterOp : std::uint32_t {
    RopSrcCopy = 0x00CC0020,
    RopPatCopy = 0x00F00021,
    RopBlackness = 0x00000042,
    RopWhiteness = 0x00FF0062,
};

// The binary raster operation that just draws the pen (R2_COPYPEN), the only one drawn.
constexpr unsigned Rop2CopyPen = 13;
// The polygon fill mode WINDING (ALTERNATE is 1).
constexpr unsigned FillWinding = 2;

// Pen styles (the low four bits of a pen's style).
enum PenStyle : unsigned {
    PenSolid = 0,
    PenNull = 5,
    PenInsideFrame = 6,
};

// Brush styles.
enum BrushStyle : std::uint32_t {
    BrushSolid = 0,
    BrushNull = 1,
};

} // namespace pagolux::metafile
