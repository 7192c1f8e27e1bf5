#include "picture/PictureReader.h"
#include "icon/IconBmpFile.h"
#include "icon/IconError.h"
#include "picture/RenderIconFromFile.h"
#include "tests/icon/TestIcons.h"
#include "tests/picture/PictureFiles.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>

namespace pagolux {
namespace {

QColor paletteColor(std::uint8_t index)
{
    const PaletteColor& c = IconBitmap::Palette[index];
    return QColor(c.red, c.green, c.blue);
}

void writeBytes(const std::string& path, const QByteArray& bytes)
{
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A 32 x 32 test pattern over the palette: four quadrants of 9, 10, 12 and 11, with a
// 4 x 4 block of 13 at (8, 8).
std::uint8_t patternIndex(int x, int y)
{
    if (x >= 8 && x < 12 && y >= 8 && y < 12) {
        return 13;
    }
    return static_cast<std::uint8_t>(x < 16 ? (y < 16 ? 9 : 12) : (y < 16 ? 10 : 11));
}

IconBitmap patternIcon()
{
    return test::iconOf(patternIndex);
}

QImage patternImage(QImage::Format format)
{
    QImage image(32, 32, format);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            image.setPixelColor(x, y, paletteColor(patternIndex(x, y)));
        }
    }
    return image;
}

class PictureReaderTest : public ::testing::Test {
  protected:
    test::TempFolder dir;
    std::string file(const char* name) const { return dir / name; }
};

TEST_F(PictureReaderTest, ReadsEachRasterFormatExactly)
{
    // BMP: our own 4-bit file. PNG with Qt's writer. GIF by hand.
    writeBytes(file("p.bmp"),
               QByteArray(reinterpret_cast<const char*>(IconBmpFile::encode(patternIcon()).data()),
                          static_cast<qsizetype>(IconBmpFile::FileSize)));
    ASSERT_TRUE(patternImage(QImage::Format_ARGB32).save(QString::fromStdString(file("p.png")), "PNG"));
    ASSERT_TRUE(patternImage(QImage::Format_RGB32).save(QString::fromStdString(file("p24.bmp")), "BMP"));
    std::vector<std::uint8_t> indices;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            indices.push_back(patternIndex(x, y));
        }
    }
    writeBytes(file("p.gif"), testfiles::gif(32, 32, indices));
    writeBytes(file("p.ico"), testfiles::ico4bit(indices, std::vector<bool>(1024, false)));
    // Upper-case extensions select the same readers.
    writeBytes(file("P2.GIF"), testfiles::gif(32, 32, indices));

    for (const char* name : {"p.bmp", "p24.bmp", "p.png", "p.gif", "p.ico", "P2.GIF"}) {
        const QImage image = PictureReader::read(file(name));
        ASSERT_EQ(image.size(), QSize(32, 32)) << name;
        EXPECT_EQ(image.format(), QImage::Format_ARGB32) << name;
        EXPECT_EQ(renderIconFromFile(file(name)), patternIcon()) << name;
    }
}

TEST_F(PictureReaderTest, ReadsJpegWithinTolerance)
{
    // 64 x 64 of four flat quadrants; JPEG keeps flat areas close to their colour.
    QImage image(64, 64, QImage::Format_RGB32);
    const QColor quads[4] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(255, 255, 0),
                             QColor(255, 255, 255)};
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            image.setPixelColor(x, y, quads[(x < 32 ? 0 : 1) + (y < 32 ? 0 : 2)]);
        }
    }
    for (const char* name : {"q.jpg", "q.jpeg"}) {
        ASSERT_TRUE(image.save(QString::fromStdString(file(name)), "JPEG", 95));
        const QImage read = PictureReader::read(file(name));
        ASSERT_EQ(read.size(), QSize(64, 64));
        for (const QPoint p : {QPoint(10, 10), QPoint(50, 10), QPoint(10, 50), QPoint(50, 50)}) {
            const QColor want = quads[(p.x() < 32 ? 0 : 1) + (p.y() < 32 ? 0 : 2)];
            const QColor got = read.pixelColor(p);
            EXPECT_LE(std::abs(got.red() - want.red()), 8) << name;
            EXPECT_LE(std::abs(got.green() - want.green()), 8) << name;
            EXPECT_LE(std::abs(got.blue() - want.blue()), 8) << name;
        }
        // Away from the block edges the icon takes the exact palette colours.
        const IconBitmap icon = renderIconFromFile(file(name));
        EXPECT_EQ(icon.pixel(4, 4), 9);
        EXPECT_EQ(icon.pixel(27, 4), 12);
        EXPECT_EQ(icon.pixel(4, 27), 11);
        EXPECT_EQ(icon.pixel(27, 27), 15);
    }
}

TEST_F(PictureReaderTest, TransparentPartsOfIconsAndGifsShowWhite)
{
    std::vector<std::uint8_t> indices(1024, 1); // maroon
    std::vector<bool> transparent(1024, false);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (y < 10) {
                transparent[static_cast<std::size_t>(y * 32 + x)] = true;
                indices[static_cast<std::size_t>(y * 32 + x)] = 0; // black under the mask
            }
        }
    }
    writeBytes(file("t.ico"), testfiles::ico4bit(indices, transparent));
    writeBytes(file("t.gif"), testfiles::gif(32, 32, indices, 0));
    for (const char* name : {"t.ico", "t.gif"}) {
        const IconBitmap icon = renderIconFromFile(file(name));
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                ASSERT_EQ(icon.pixel(x, y), y < 10 ? IconBitmap::White : 1) << name << " " << x << "," << y;
            }
        }
    }
}

TEST_F(PictureReaderTest, IconFilesGiveTheir32By32PictureElseTheLargest)
{
    struct Case {
        const char* name;
        std::vector<testfiles::FlatIcoImage> images;
        QSize size;
        std::uint8_t colour;
    };
    const Case cases[] = {
        {"small-first.ico", {{16, 16, 9}, {32, 32, 12}, {48, 48, 10}}, QSize(32, 32), 12},
        {"no-32.ico", {{16, 16, 9}, {48, 48, 10}, {24, 24, 11}}, QSize(48, 48), 10},
        {"only-16.ico", {{16, 16, 13}}, QSize(16, 16), 13},
    };
    for (const Case& c : cases) {
        writeBytes(file(c.name), testfiles::icoFlat(c.images));
        const QImage image = PictureReader::read(file(c.name));
        EXPECT_EQ(image.size(), c.size) << c.name;
        IconBitmap expected;
        expected.fill(c.colour);
        EXPECT_EQ(renderIconFromFile(file(c.name)), expected) << c.name;
    }
}

TEST_F(PictureReaderTest, ReadsSvgAtItsOwnSize)
{
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='32'>"
                           "<rect x='0' y='0' width='32' height='32' fill='#ff0000'/>"
                           "<rect x='32' y='0' width='32' height='32' fill='#0000ff'/>"
                           "</svg>";
    writeBytes(file("s.svg"), svg);
    const QImage image = PictureReader::read(file("s.svg"));
    ASSERT_EQ(image.size(), QSize(64, 32));
    // 64 x 32 shows columns 16 to 47: half red, half blue.
    const IconBitmap icon = renderIconFromFile(file("s.svg"));
    for (int x = 0; x < 32; ++x) {
        EXPECT_EQ(icon.pixel(x, 16), x < 16 ? 9 : 12) << x;
    }
    // What the SVG leaves empty is transparent, hence white.
    writeBytes(file("e.svg"), "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                              "<rect x='0' y='0' width='5' height='10' fill='#00ff00'/></svg>");
    const IconBitmap half = renderIconFromFile(file("e.svg"));
    EXPECT_EQ(half.pixel(2, 5), 10);
    EXPECT_EQ(half.pixel(29, 5), IconBitmap::White);
}

TEST_F(PictureReaderTest, RefusesUnknownMissingAndEmptyFiles)
{
    writeBytes(file("a.txt"), "hello");
    writeBytes(file("a.tif"), "II*\0");
    writeBytes(file("empty.png"), "");
    writeBytes(file("empty.wmf"), "");
    writeBytes(file("empty.emf"), "");
    writeBytes(file("junk.emf"), QByteArray(300, '\x17'));
    writeBytes(file("junk.wmf"), QByteArray(300, '\x17'));
    writeBytes(file("junk.svg"), "<svg but not really");
    writeBytes(file("zero.svg"), "<svg xmlns='http://www.w3.org/2000/svg' width='0' height='10'/>");
    writeBytes(file("huge.svg"), "<svg xmlns='http://www.w3.org/2000/svg' width='1000000' height='10'/>");
    writeBytes(file("bmp.png"),
               QByteArray(reinterpret_cast<const char*>(IconBmpFile::encode(patternIcon()).data()),
                          static_cast<qsizetype>(IconBmpFile::FileSize)));
    for (const char* name :
         {"a.txt", "a.tif", "noextension", "missing.png", "missing.wmf", "empty.png", "empty.wmf",
          "empty.emf", "junk.emf", "junk.wmf", "junk.svg", "zero.svg", "huge.svg", "bmp.png"}) {
        try {
            (void)PictureReader::read(file(name));
            ADD_FAILURE() << name << " was read";
        } catch (const EPictureError& e) {
            EXPECT_NE(std::string(e.what()).find(file(name)), std::string::npos)
                << "the message names the file: " << e.what();
        }
    }
}

TEST_F(PictureReaderTest, RefusesTruncatedAndHostileRasterFiles)
{
    // A 200 x 200 24-bit BMP cut short in its pixel data.
    QImage big(200, 200, QImage::Format_RGB32);
    big.fill(Qt::red);
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(big.save(&buffer, "BMP"));
    }
    writeBytes(file("cut.bmp"), bmp.left(bmp.size() / 2));
    writeBytes(file("header.bmp"), bmp.left(30));

    // ICO cut inside its image data, and one whose directory points past the end.
    std::vector<std::uint8_t> indices(1024, 3);
    const QByteArray ico = testfiles::ico4bit(indices, std::vector<bool>(1024, false));
    writeBytes(file("cut.ico"), ico.left(100));
    QByteArray farIco = ico;
    farIco[18] = '\x00';
    farIco[19] = '\x00';
    farIco[20] = '\x00';
    farIco[21] = '\x7F';
    writeBytes(file("far.ico"), farIco);

    // A BMP that declares 100000 x 100000 pixels but holds a few bytes.
    QByteArray hugeBmp = bmp.left(54);
    const auto put32 = [](QByteArray& d, int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            d[at + i] = static_cast<char>(v >> (8 * i));
        }
    };
    put32(hugeBmp, 18, 100000);
    put32(hugeBmp, 22, 100000);
    hugeBmp.append(QByteArray(64, '\0'));
    writeBytes(file("huge.bmp"), hugeBmp);

    // A PNG whose header (with a correct checksum) declares 60000 x 60000.
    QImage small(4, 4, QImage::Format_ARGB32);
    small.fill(Qt::blue);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(small.save(&buffer, "PNG"));
    }
    QByteArray hugePng = png;
    const auto putBe32 = [](QByteArray& d, int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            d[at + i] = static_cast<char>(v >> (8 * (3 - i)));
        }
    };
    putBe32(hugePng, 16, 60000);
    putBe32(hugePng, 20, 60000);
    putBe32(hugePng, 29, testfiles::crc32Of(hugePng.mid(12, 17))); // chunk type and data of IHDR
    writeBytes(file("huge.png"), hugePng);

    // GIFs: zero logical size and zero image size; and one declaring 65535 x 65535.
    writeBytes(file("zero.gif"), testfiles::gif(0, 0, {}));
    writeBytes(file("huge.gif"), testfiles::gif(65535, 65535, std::vector<std::uint8_t>(16, 1)));
    writeBytes(file("cut.gif"), testfiles::gif(32, 32, std::vector<std::uint8_t>(1024, 2)).left(40));

    // A JPEG whose frame header declares 65000 x 65000.
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(small.save(&buffer, "JPEG"));
    }
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    for (int at : {5, 7}) { // height, then width, big-endian after length and precision
        jpeg[sof + at] = static_cast<char>(0xFD);
        jpeg[sof + at + 1] = static_cast<char>(0xE8);
    }
    writeBytes(file("huge.jpg"), jpeg);

    // A JPEG with only its start marker.
    writeBytes(file("cut.jpg"), QByteArray("\xFF\xD8\xFF", 3));

    struct Case {
        const char* name;
        const char* why; // a part of the message; empty: any reason
    };
    const Case cases[] = {
        {"cut.bmp", "abgeschnitten"},
        {"header.bmp", ""},
        {"cut.ico", ""},
        {"far.ico", ""},
        {"huge.bmp", "zu groß"},
        {"huge.png", "zu groß"},
        {"zero.gif", ""},
        {"huge.gif", "zu groß"},
        {"cut.gif", ""},
        {"cut.jpg", ""},
        {"huge.jpg", "zu groß"},
    };
    for (const Case& c : cases) {
        try {
            (void)PictureReader::read(file(c.name));
            ADD_FAILURE() << c.name << " was read";
        } catch (const EPictureError& e) {
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << c.name << ": " << e.what();
        }
    }
}

TEST(PictureReaderFilter, OffersEveryReadableFormatAndOnlyThose)
{
    const std::string filter = PictureReader::dialogFilter();
    for (const char* ext :
         {"*.bmp", "*.ico", "*.wmf", "*.emf", "*.jpg", "*.jpeg", "*.gif", "*.png", "*.svg"}) {
        EXPECT_NE(filter.find(ext), std::string::npos) << ext;
        EXPECT_TRUE(PictureReader::isSupported(std::string("x") + (ext + 1)));
    }
    EXPECT_FALSE(PictureReader::isSupported("x.tif"));
    EXPECT_FALSE(PictureReader::isSupported("bmp"));
    EXPECT_TRUE(PictureReader::isSupported("/a.b/X.JPEG"));
}

} // namespace
} // namespace pagolux

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    // The memory tests start this program again to read one picture in a fresh process.
    if (argc == 3 && std::string(argv[1]) == pagolux::testfiles::MeasureReadOption) {
        return pagolux::testfiles::measureRead(argv[2]);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
