#include "icon/TrueColourIcons.h"

#include "format/IconImage.h"
#include "icon/IconError.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace pagolux {
namespace {

// For one axis: which source pixels each target pixel covers, and how much of each.
struct Tap {
    int source;
    double weight;
};

std::vector<std::vector<Tap>> taps(int sourceLength, int side, double scale, double offset)
{
    std::vector<std::vector<Tap>> out(static_cast<std::size_t>(side));
    for (int t = 0; t < side; ++t) {
        // The target pixel [t, t + 1) in source coordinates.
        const double from = (t - offset) / scale;
        const double to = (t + 1 - offset) / scale;
        for (int s = std::max(0, static_cast<int>(std::floor(from))); s < sourceLength && s < to; ++s) {
            const double w = std::min<double>(to, s + 1) - std::max<double>(from, s);
            if (w > 1e-9)
                out[static_cast<std::size_t>(t)].push_back({s, w});
        }
    }
    return out;
}

std::uint32_t le32(const std::string& b, std::size_t at)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

void put32(std::string& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<char>(v >> (8 * i)));
}

constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;

} // namespace

TrueColourImage drawTrueColourImage(PictureView picture, int side)
{
    TrueColourImage image{side, std::vector<std::uint32_t>(static_cast<std::size_t>(side) * side, 0)};
    if (picture.width <= 0 || picture.height <= 0 || !picture.pixels)
        return image;
    // Cover the square: the shorter side fits, the longer one overhangs equally on both ends.
    const double scale =
        std::max(static_cast<double>(side) / picture.width, static_cast<double>(side) / picture.height);
    const auto xs = taps(picture.width, side, scale, (side - picture.width * scale) / 2);
    const auto ys = taps(picture.height, side, scale, (side - picture.height * scale) / 2);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            // Premultiplied sums, so that transparent pixels lend no colour to their neighbours.
            double a = 0, r = 0, g = 0, b = 0, area = 0;
            for (const Tap& ty : ys[static_cast<std::size_t>(y)]) {
                const std::uint32_t* row =
                    picture.pixels + static_cast<std::size_t>(ty.source) * picture.stride;
                for (const Tap& tx : xs[static_cast<std::size_t>(x)]) {
                    const std::uint32_t p = row[tx.source];
                    const double w = tx.weight * ty.weight;
                    const double alpha = (p >> 24) / 255.0;
                    a += w * alpha;
                    r += w * alpha * ((p >> 16) & 0xFF);
                    g += w * alpha * ((p >> 8) & 0xFF);
                    b += w * alpha * (p & 0xFF);
                    area += w;
                }
            }
            if (area <= 0 || a <= 0)
                continue;
            const auto channel = [](double v) {
                return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L));
            };
            image.argb[static_cast<std::size_t>(y) * side + x] =
                channel(255.0 * a / area) << 24 | channel(r / a) << 16 | channel(g / a) << 8 | channel(b / a);
        }
    }
    return image;
}

DecodedPicture pictureOfIcon(const IconBitmap& icon)
{
    DecodedPicture picture;
    picture.width = IconBitmap::Width;
    picture.height = IconBitmap::Height;
    picture.pixels.reserve(IconBitmap::Width * IconBitmap::Height);
    for (int y = 0; y < IconBitmap::Height; ++y) {
        for (int x = 0; x < IconBitmap::Width; ++x) {
            const PaletteColor& c = IconBitmap::Palette[icon.pixel(x, y)];
            picture.pixels.push_back(0xFF000000u | (std::uint32_t{c.red} << 16) |
                                     (std::uint32_t{c.green} << 8) | c.blue);
        }
    }
    return picture;
}

TrueColourIcons drawTrueColourIcons(PictureView picture)
{
    TrueColourIcons icons;
    for (int side : kTrueColourIconSides)
        icons.push_back(drawTrueColourImage(picture, side));
    return icons;
}

TrueColourIcons currentTrueColourIcons(const std::string& keptPicturePath, const IconBitmap& icon)
{
    try {
        return drawTrueColourIcons(loadTrueColourPicture(keptPicturePath).view());
    } catch (const EIconFileError&) {
        return drawTrueColourIcons(pictureOfIcon(icon).view());
    }
}

void saveTrueColourPicture(const TrueColourImage& image, const std::string& path)
{
    // A bottom-up 32-bit bitmap file; its fourth byte per pixel holds the alpha.
    const auto side = static_cast<std::uint32_t>(image.side);
    std::string bytes = "BM";
    put32(bytes, static_cast<std::uint32_t>(kFileHeader + kInfoHeader) + side * side * 4);
    put32(bytes, 0);
    put32(bytes, static_cast<std::uint32_t>(kFileHeader + kInfoHeader));
    put32(bytes, kInfoHeader);
    put32(bytes, side);
    put32(bytes, side);
    put32(bytes, 1 | 32u << 16); // planes, bits per pixel
    for (int i = 0; i < 6; ++i)
        put32(bytes, 0);
    for (std::uint32_t row = 0; row < side; ++row)
        for (std::uint32_t x = 0; x < side; ++x)
            put32(bytes, image.argb[static_cast<std::size_t>(side - 1 - row) * side + x]);
    try {
        writeFileAtomically(path, bytes);
    } catch (const AtomicWriteError&) {
        throw EIconCreateError(path);
    }
}

DecodedPicture loadTrueColourPicture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto damaged = [&path]() { return EIconFileError("Datei " + path + " ist beschädigt oder fehlt"); };
    if (bytes.size() < kFileHeader + kInfoHeader || bytes[0] != 'B' || bytes[1] != 'M')
        throw damaged();
    const std::uint32_t offset = le32(bytes, 10);
    const std::uint32_t width = le32(bytes, 18);
    const std::uint32_t height = le32(bytes, 22);
    const std::uint32_t planesBits = le32(bytes, 26);
    if (planesBits != (1 | 32u << 16) || width == 0 || height == 0 || width > 1024 || height > 1024 ||
        offset > bytes.size() || (bytes.size() - offset) / 4 / width < height)
        throw damaged();
    DecodedPicture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::uint32_t row = 0; row < height; ++row)
        for (std::uint32_t x = 0; x < width; ++x)
            picture.pixels[static_cast<std::size_t>(height - 1 - row) * width + x] =
                le32(bytes, offset + 4 * (static_cast<std::size_t>(row) * width + x));
    return picture;
}

} // namespace pagolux
