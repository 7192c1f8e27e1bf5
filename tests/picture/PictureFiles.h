#pragma once
// Small picture files made by the tests themselves, byte by byte where Qt cannot write the
// format (GIF, ICO, WMF, EMF).

#include <QByteArray>
#include <QColor>

#include <cstdint>
#include <vector>

namespace pagolux::testfiles {

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

// A placeable WMF of width x height pixels (at 96 units per inch) filled with `background`, with
// a rectangle of `foreground` over [x0, x1) x [y0, y1).
QByteArray wmf(int width, int height, QColor background, QColor foreground, int x0, int y0, int x1, int y1);

// An EMF of width x height device pixels with the same drawing.
QByteArray emf(int width, int height, QColor background, QColor foreground, int x0, int y0, int x1, int y1);

} // namespace pagolux::testfiles
