// Small files that declare huge pictures: each is read in a fresh process whose resident memory
// is measured, and must cost a bounded amount whatever size it declares.
#include "icon/IconError.h"
#include "picture/PictureReader.h"
#include "tests/picture/PictureFiles.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace pagolux {
namespace {

// Far below the 400 MB a 10000 x 10000 picture takes at 32 bits a pixel, above the most a
// picture within MaxDecodedBytes plus its reduced copy may take.
constexpr long long MaxGrowthKib = 96 * 1024;

void writeFile(const std::string& path, const QByteArray& bytes)
{
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

void putLe32(QByteArray& d, int at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        d[at + i] = static_cast<char>(v >> (8 * i));
    }
}

// A grey PNG of side x side, every pixel 0, at the bit depth given.
QByteArray greyPng(int side, int bitDepth)
{
    const int rowBytes = (side * bitDepth + 7) / 8;
    return testfiles::png(side, side, bitDepth, 0,
                          QByteArray(static_cast<qsizetype>(rowBytes + 1) * side, '\0'));
}

// A red JPEG whose frame header claims side x side; the coded data covers 16 x 16.
QByteArray hugeJpeg(int side)
{
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray jpeg = encoded(small, "JPEG");
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    for (int at : {5, 7}) { // height, then width, big-endian after length and precision
        jpeg[sof + at] = static_cast<char>(side >> 8);
        jpeg[sof + at + 1] = static_cast<char>(side & 0xFF);
    }
    return jpeg;
}

// An 8-bit run-length bitmap of side x side whose data is only "end of bitmap".
QByteArray rleBitmap(int side)
{
    QByteArray d(54 + 1024, '\0');
    d[0] = 'B';
    d[1] = 'M';
    putLe32(d, 10, 54 + 1024);
    putLe32(d, 14, 40);
    putLe32(d, 18, static_cast<std::uint32_t>(side));
    putLe32(d, 22, static_cast<std::uint32_t>(side));
    d[26] = 1;                           // planes
    d[28] = 8;                           // bits a pixel
    putLe32(d, 30, 1);                   // BI_RLE8
    d.append(QByteArray("\x00\x01", 2)); // end of bitmap
    putLe32(d, 2, static_cast<std::uint32_t>(d.size()));
    return d;
}

// An icon file whose one entry is a PNG of side x side (1 bit a pixel, black).
QByteArray pngIcon(int side)
{
    const QByteArray image = greyPng(side, 1);
    QByteArray d(22, '\0');
    d[2] = 1; // icon
    d[4] = 1; // one image
    // width and height bytes 0 mean 256; the PNG inside says what it really is
    d[10] = 1;  // planes
    d[12] = 32; // bits a pixel
    putLe32(d, 14, static_cast<std::uint32_t>(image.size()));
    putLe32(d, 18, 22);
    return d + image;
}

QByteArray hugeMetafile(testfiles::MetafileWriter::Format format, int side)
{
    testfiles::MetafileWriter w(format, side, side);
    w.pen(Qt::red);
    w.brush(Qt::red);
    w.rectangle(0, 0, side, side);
    return w.bytes();
}

struct Measured {
    long long growthKib = -1;
    std::string outcome; // "size=WxH" or "error=..."
    std::string output;
};

Measured measureInChild(const std::string& path)
{
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const test::ChildResult r =
        test::runShell(test::quote(self) + " " + testfiles::MeasureReadOption + " " + test::quote(path));
    Measured m;
    m.output = r.output;
    const auto growth = r.output.find("growth-kib=");
    if (r.exitCode != 0 || growth == std::string::npos) {
        return m;
    }
    m.growthKib = std::stoll(r.output.substr(growth + 11));
    const auto line = r.output.find('\n', growth);
    m.outcome = r.output.substr(line + 1, r.output.find('\n', line + 1) - line - 1);
    return m;
}

TEST(PictureBombs, HugeDeclaredPicturesCostBoundedMemory)
{
    using Format = testfiles::MetafileWriter::Format;
    const std::string reduced = "size=1024x1024";
    const std::string tooLarge = "error=";
    struct Case {
        const char* name;
        QByteArray bytes;
        std::string outcome; // reduced: read at the work size; else the start of the error
    };
    const Case cases[] = {
        {"bomb.svg",
         "<svg xmlns='http://www.w3.org/2000/svg' width='10000' height='10000'>"
         "<rect width='100%' height='100%' fill='red'/></svg>",
         reduced},
        {"bomb1bit.png", greyPng(10000, 1), reduced},
        {"bomb8bit.png", greyPng(10000, 8), tooLarge},
        {"bomb.jpg", hugeJpeg(10000), reduced},
        {"bomb.gif", testfiles::gif(10000, 10000, std::vector<std::uint8_t>(16, 9)), tooLarge},
        {"bomb.bmp", rleBitmap(10000), tooLarge},
        {"bomb.ico", pngIcon(10000), reduced},
        {"bomb.wmf", hugeMetafile(Format::Wmf, 10000), reduced},
        {"bomb.emf", hugeMetafile(Format::Emf, 10000), reduced},
    };
    test::TempFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (dir.path() / c.name).string();
        writeFile(path, c.bytes);
        const Measured m = measureInChild(path);
        ASSERT_GE(m.growthKib, 0) << m.output;
        EXPECT_LE(m.growthKib, MaxGrowthKib) << m.output;
        EXPECT_EQ(m.outcome.substr(0, c.outcome.size()), c.outcome) << m.output;
        if (c.outcome == tooLarge) {
            EXPECT_NE(m.outcome.find(path), std::string::npos) << "the message names the file";
            EXPECT_NE(m.outcome.find("zu groß"), std::string::npos) << m.outcome;
        }
    }
}

// A picture above the work size keeps its proportions and what it shows where it shows it.
TEST(PictureBombs, LargePicturesAreReducedKeepingProportionsAndContent)
{
    QImage wide(3000, 1000, QImage::Format_RGB32);
    wide.fill(Qt::red);
    for (int y = 0; y < wide.height(); ++y) {
        for (int x = 2000; x < wide.width(); ++x) {
            wide.setPixel(x, y, qRgb(0, 0, 255));
        }
    }
    test::TempFolder dir;
    for (const char* format : {"png", "bmp"}) {
        SCOPED_TRACE(format);
        const std::string path = (dir.path() / (std::string("wide.") + format)).string();
        writeFile(path, encoded(wide, format));
        const QImage read = PictureReader::read(path);
        ASSERT_EQ(read.size(), QSize(1024, 341));
        EXPECT_EQ(read.pixel(0, 0), qRgb(255, 0, 0));
        EXPECT_EQ(read.pixel(681, 340), qRgb(255, 0, 0));
        EXPECT_EQ(read.pixel(683, 0), qRgb(0, 0, 255));
        EXPECT_EQ(read.pixel(1023, 340), qRgb(0, 0, 255));
    }
}

} // namespace
} // namespace pagolux
