#include "picture/PictureReader.h"

#include "icon/IconError.h"
#include "picture/MetafileConverter.h"
#include "picture/MetafilePlayer.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace pagolux {

namespace {

enum class Kind { Unknown, Bitmap, Icon, Jpeg, Gif, Png, Svg, Wmf, Emf };

Kind kindOf(const std::string& path)
{
    const QString suffix = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).suffix().toLower();
    if (suffix == QLatin1String("bmp")) {
        return Kind::Bitmap;
    }
    if (suffix == QLatin1String("ico")) {
        return Kind::Icon;
    }
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        return Kind::Jpeg;
    }
    if (suffix == QLatin1String("gif")) {
        return Kind::Gif;
    }
    if (suffix == QLatin1String("png")) {
        return Kind::Png;
    }
    if (suffix == QLatin1String("svg")) {
        return Kind::Svg;
    }
    if (suffix == QLatin1String("wmf")) {
        return Kind::Wmf;
    }
    if (suffix == QLatin1String("emf")) {
        return Kind::Emf;
    }
    return Kind::Unknown;
}

[[noreturn]] void fail(const std::string& path, const std::string& why)
{
    throw EPictureError("Die Bilddatei " + path + " kann nicht geladen werden: " + why);
}

void checkSize(const std::string& path, long long width, long long height)
{
    if (width <= 0 || height <= 0) {
        fail(path, "das Bild hat keine Größe (" + std::to_string(width) + " x " + std::to_string(height) +
                       " Pixel)");
    }
    if (width > PictureReader::MaxSide || height > PictureReader::MaxSide ||
        width * height > PictureReader::MaxPixels) {
        fail(path,
             "das Bild ist zu groß (" + std::to_string(width) + " x " + std::to_string(height) + " Pixel)");
    }
}

// The size a picture is delivered at: its own, or reduced so that the longer side is WorkSide.
QSize workSize(long long width, long long height)
{
    const long long longer = std::max(width, height);
    if (longer <= PictureReader::WorkSide) {
        return {static_cast<int>(width), static_cast<int>(height)};
    }
    const auto reduce = [longer](long long side) {
        return static_cast<int>(std::max(1LL, (side * PictureReader::WorkSide + longer / 2) / longer));
    };
    return {reduce(width), reduce(height)};
}

// A decoded picture larger than the work size, sampled down without smoothing straight from its
// own pixel format (no full-size 32-bit copy): each target pixel takes the source pixel under
// its centre.
QImage sampleDown(const QImage& image, QSize size)
{
    QImage out(size, QImage::Format_ARGB32);
    if (out.isNull()) {
        return out;
    }
    const long long w = image.width();
    const long long h = image.height();
    for (int y = 0; y < size.height(); ++y) {
        const int sy = static_cast<int>((2LL * y + 1) * h / (2LL * size.height()));
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            row[x] = image.pixel(static_cast<int>((2LL * x + 1) * w / (2LL * size.width())), sy);
        }
    }
    return out;
}

QImage toArgb(const std::string& path, QImage image)
{
    if (image.isNull()) {
        fail(path, "die Bilddaten sind beschädigt");
    }
    checkSize(path, image.width(), image.height());
    const QSize size = workSize(image.width(), image.height());
    if (size != image.size()) {
        image = sampleDown(image, size);
    }
    QImage argb = std::move(image).convertToFormat(QImage::Format_ARGB32); // in place where Qt can
    if (argb.isNull()) {
        fail(path, "zu wenig Speicher für das Bild");
    }
    return argb;
}

const char* qtFormat(Kind kind)
{
    switch (kind) {
    case Kind::Bitmap:
        return "bmp";
    case Kind::Icon:
        return "ico";
    case Kind::Jpeg:
        return "jpeg";
    case Kind::Gif:
        return "gif";
    case Kind::Png:
        return "png";
    default:
        return nullptr;
    }
}

std::uint32_t le(const QByteArray& d, int at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(d[at + i]);
    }
    return v;
}

// Qt's bitmap reader fills in what a cut-off file lacks; an uncompressed bitmap whose pixel
// rows do not all fit in the file is damaged and refused here instead.
void checkBitmapLength(const std::string& path)
{
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly)) {
        fail(path, "die Datei kann nicht geöffnet werden");
    }
    const QByteArray h = file.read(54);
    if (h.size() < 26 || h[0] != 'B' || h[1] != 'M') {
        return; // not a bitmap file header: the reader reports it
    }
    const long long offBits = le(h, 10, 4);
    const std::uint32_t infoSize = le(h, 14, 4);
    long long width = 0;
    long long height = 0;
    long long bitCount = 0;
    std::uint32_t compression = 0;
    if (infoSize == 12) { // the old core header: 16-bit sizes
        width = le(h, 18, 2);
        height = le(h, 20, 2);
        bitCount = le(h, 24, 2);
    } else if (h.size() >= 34) {
        width = static_cast<std::int32_t>(le(h, 18, 4));
        height = static_cast<std::int32_t>(le(h, 22, 4));
        bitCount = le(h, 28, 2);
        compression = le(h, 30, 4);
    } else {
        fail(path, "der Bitmap-Kopf ist abgeschnitten");
    }
    width = width < 0 ? -width : width;
    height = height < 0 ? -height : height;
    checkSize(path, width, height);
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    if (!uncompressed || bitCount == 0 || bitCount > 32) {
        return; // run-length or embedded data: the decoder checks those itself
    }
    const long long rowBytes = (width * bitCount + 31) / 32 * 4;
    if (offBits + rowBytes * height > file.size()) {
        fail(path, "die Datei ist abgeschnitten");
    }
}

// Checks the declared size of the picture the reader stands at, before anything is decoded,
// and prepares the reader: a JPEG larger than the work size is decoded reduced (the decoder
// scales while it decodes); the others are decoded in their own format, at most
// MaxDecodedBytes.
void measure(const std::string& path, Kind kind, QImageReader& reader)
{
    const QSize declared = reader.size();
    if (!declared.isValid()) {
        return; // the decoder reports what it cannot read
    }
    checkSize(path, declared.width(), declared.height());
    const QSize size = workSize(declared.width(), declared.height());
    if (kind == Kind::Jpeg) {
        if (size != declared) {
            reader.setScaledSize(size);
        }
        return;
    }
    const QPixelFormat format = QImage::toPixelFormat(reader.imageFormat());
    const long long bits = reader.imageFormat() == QImage::Format_Invalid ? 32 : format.bitsPerPixel();
    const long long bytes =
        (static_cast<long long>(declared.width()) * bits + 31) / 32 * 4 * declared.height();
    if (bytes > PictureReader::MaxDecodedBytes) {
        fail(path, "das Bild ist zu groß (" + std::to_string(declared.width()) + " x " +
                       std::to_string(declared.height()) + " Pixel)");
    }
}

// Raster formats: the declared size is checked before the reader allocates anything.
QImage readRaster(const std::string& path, Kind kind)
{
    QImageReader reader(QFile::decodeName(QByteArray::fromStdString(path)), qtFormat(kind));
    reader.setAutoTransform(true); // photos are shown upright, as their camera meant them
    reader.setDecideFormatFromContent(false);
    if (!reader.canRead()) {
        const QString why = reader.errorString();
        fail(path, QFile::exists(reader.fileName())
                       ? "die Bilddaten sind beschädigt (" + why.toStdString() + ")"
                       : "die Datei kann nicht geöffnet werden");
    }
    if (kind == Kind::Icon) {
        // An icon file holds several pictures; take the first 32 x 32 one, else the largest.
        QImage best;
        const int count = std::max(1, reader.imageCount());
        for (int i = 0; i < count && i < 256; ++i) {
            if (i > 0 && !reader.jumpToImage(i)) {
                break;
            }
            measure(path, kind, reader);
            QImage image = reader.read();
            if (image.isNull()) {
                if (i == 0) {
                    fail(path, "die Bilddaten sind beschädigt (" + reader.errorString().toStdString() + ")");
                }
                break;
            }
            if (image.size() == QSize(32, 32)) {
                best = image;
                break;
            }
            if (best.isNull() || static_cast<long long>(image.width()) * image.height() >
                                     static_cast<long long>(best.width()) * best.height()) {
                best = image;
            }
        }
        return toArgb(path, std::move(best));
    }
    measure(path, kind, reader);
    if (kind == Kind::Bitmap) {
        checkBitmapLength(path);
    }
    QImage image = reader.read();
    if (image.isNull()) {
        fail(path, "die Bilddaten sind beschädigt (" + reader.errorString().toStdString() + ")");
    }
    return toArgb(path, std::move(image));
}

QByteArray readWhole(const std::string& path)
{
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly)) {
        fail(path, "die Datei kann nicht geöffnet werden");
    }
    if (file.size() > PictureReader::MaxVectorFileBytes) {
        fail(path, "die Datei ist zu groß");
    }
    QByteArray data = file.readAll();
    if (data.size() != file.size()) {
        fail(path, "die Datei kann nicht gelesen werden");
    }
    return data;
}

// Renders an SVG document at its own size (rounded to whole pixels) over transparency.
QImage renderSvg(const std::string& path, const QByteArray& svg)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
        fail(path, "die Vektordaten sind beschädigt");
    }
    const QSizeF size = renderer.defaultSize();
    const double w = std::round(size.width());
    const double h = std::round(size.height());
    if (!(w >= 1 && h >= 1)) {
        fail(path, "das Bild hat keine Größe");
    }
    if (w > PictureReader::MaxSide || h > PictureReader::MaxSide) {
        fail(path, "das Bild ist zu groß (" + std::to_string(static_cast<long long>(w)) + " x " +
                       std::to_string(static_cast<long long>(h)) + " Pixel)");
    }
    checkSize(path, static_cast<long long>(w), static_cast<long long>(h));
    // Drawn straight at the size delivered: a huge declared size costs no huge canvas.
    const QSize work = workSize(static_cast<long long>(w), static_cast<long long>(h));
    QImage image(work, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        fail(path, "zu wenig Speicher für das Bild");
    }
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        renderer.render(&painter, QRectF(0, 0, work.width(), work.height()));
    }
    return toArgb(path, image);
}

} // namespace

QImage PictureReader::read(const std::string& path)
{
    // Qt's own ceiling on one decoded image counts 4 bytes a pixel whatever the format, so it
    // is raised to what our pixel limit allows; the bytes the decoded picture really takes
    // in its own format are checked against MaxDecodedBytes before that.
    constexpr int allocationLimitMb = static_cast<int>(MaxPixels * 4 / (1024 * 1024)) + 16;
    if (QImageReader::allocationLimit() < allocationLimitMb) {
        QImageReader::setAllocationLimit(allocationLimitMb);
    }
    const Kind kind = kindOf(path);
    switch (kind) {
    case Kind::Unknown:
        throw EPictureError("Unbekannte Dateiendung der Bilddatei " + path +
                            " (lesbar sind .bmp, .ico, .wmf, .emf, .jpg, .jpeg, .gif, .png und .svg)");
    case Kind::Svg:
        return renderSvg(path, readWhole(path));
    case Kind::Wmf:
    case Kind::Emf: {
        // Our own player draws the records it knows pixel-exactly; a file with others goes
        // through the SVG converters instead.
        const QByteArray data = readWhole(path);
        const MetafileLimits limits{MaxSide, MaxPixels, WorkSide};
        MetafilePlayback played = kind == Kind::Wmf ? MetafilePlayer::playWmf(data, path, limits)
                                                    : MetafilePlayer::playEmf(data, path, limits);
        if (!played.image.isNull()) {
            return toArgb(path, std::move(played.image));
        }
        return renderSvg(path, kind == Kind::Wmf ? MetafileConverter::wmfToSvg(data, path)
                                                 : MetafileConverter::emfToSvg(data, path));
    }
    default:
        return readRaster(path, kind);
    }
}

PictureView PictureReader::view(const QImage& image)
{
    Q_ASSERT(image.format() == QImage::Format_ARGB32);
    return PictureView{image.width(), image.height(),
                       reinterpret_cast<const std::uint32_t*>(image.constBits()),
                       static_cast<std::size_t>(image.bytesPerLine() / 4)};
}

std::string PictureReader::dialogFilter()
{
    return "Alle Bilder|*.bmp;*.ico;*.wmf;*.emf;*.jpg;*.jpeg;*.gif;*.png;*.svg"
           "|Bitmaps (*.bmp)|*.bmp"
           "|Symbole (*.ico)|*.ico"
           "|Metadateien (*.wmf;*.emf)|*.wmf;*.emf"
           "|JPEG-Bilder (*.jpg;*.jpeg)|*.jpg;*.jpeg"
           "|GIF-Bilder (*.gif)|*.gif"
           "|PNG-Bilder (*.png)|*.png"
           "|SVG-Grafiken (*.svg)|*.svg";
}

bool PictureReader::isSupported(const std::string& path)
{
    return kindOf(path) != Kind::Unknown;
}

} // namespace pagolux
