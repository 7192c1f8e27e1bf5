#pragma once
// Reads picture files into decoded pixels for the icon renderer. The file's extension selects
// the reader: .bmp, .ico, .jpg/.jpeg, .gif, .png through Qt's image readers, .svg through
// Qt SVG, .wmf and .emf drawn by MetafilePlayer at their own size over transparency (files
// with records it does not draw are converted to SVG by libwmf or libemf2svg instead).
//
// Pictures are measured before they are decoded: the icon takes 32 x 32 samples, so a picture
// whose longer side exceeds WorkSide is delivered reduced to WorkSide (same proportions).
// SVG, metafiles and JPEG are drawn or decoded at that reduced size; the other raster formats
// are decoded in their own pixel format (1, 8 or 32 bits a pixel), at most MaxDecodedBytes,
// and then sampled down without smoothing. So a small file declaring a huge picture costs
// bounded memory.
//
// Every failure throws EPictureError with a message naming the file: an unknown extension, a
// file that cannot be opened, damaged data, a width or height of 0, or a declared size above
// the limits below (refused before any pixel memory is allocated).

#include "icon/RenderIcon.h"

#include <QImage>

#include <string>

namespace pagolux {

class PictureReader {
  public:
    static constexpr int MaxSide = 32768;
    static constexpr long long MaxPixels = 100'000'000;
    static constexpr int WorkSide = 1024;
    static constexpr long long MaxDecodedBytes = 64LL * 1024 * 1024;
    // Files larger than this are refused before they are read (a metafile or SVG is read whole).
    static constexpr long long MaxVectorFileBytes = 64LL * 1024 * 1024;

    // The decoded picture as 32-bit ARGB, not premultiplied (QImage::Format_ARGB32).
    [[nodiscard]] static QImage read(const std::string& path);

    // A view of an image returned by read(); valid while that image lives unchanged.
    [[nodiscard]] static PictureView view(const QImage& image);

    // The filter of the picture dialog, "Beschreibung|*.a;*.b|..." pairs: all readable
    // pictures first, then each kind on its own.
    [[nodiscard]] static std::string dialogFilter();

    // True when the extension of path (any case) selects one of the readers.
    [[nodiscard]] static bool isSupported(const std::string& path);
};

} // namespace pagolux
